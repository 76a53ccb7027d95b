// Saving workbooks as .xlsx through libxlsxwriter. Large sheets are written in its constant-memory
// mode (rows in order, each row leaving memory once the next one starts); small ones are kept
// whole until the end, which costs less than the constant-memory mode's tables per sheet.
#include "office/spreadsheet/xlsx/xlsx_writer.h"

#include <xlsxwriter.h>

#include <algorithm>

#include "os/replace_file.h"

namespace tq::office {

namespace {

// Sheets of at most this many cells (and rows and merged areas) are not written in
// constant-memory mode.
constexpr uint64_t kWholeSheetCells = 1024;

uint8_t hAlignOf(int32_t a) {
    switch (a) {
        case kAlignLeft:
            return LXW_ALIGN_LEFT;
        case kAlignCenter:
            return LXW_ALIGN_CENTER;
        case kAlignRight:
            return LXW_ALIGN_RIGHT;
        case kAlignFill:
            return LXW_ALIGN_FILL;
        case kAlignJustify:
            return LXW_ALIGN_JUSTIFY;
        case kAlignCenterAcross:
            return LXW_ALIGN_CENTER_ACROSS;
        case kAlignDistributed:
            return LXW_ALIGN_DISTRIBUTED;
        default:
            return LXW_ALIGN_NONE;
    }
}

uint8_t vAlignOf(int32_t a) {
    switch (a) {
        case kAlignTop:
            return LXW_ALIGN_VERTICAL_TOP;
        case kAlignCenter:
            return LXW_ALIGN_VERTICAL_CENTER;
        case kAlignJustify:
            return LXW_ALIGN_VERTICAL_JUSTIFY;
        case kAlignDistributed:
            return LXW_ALIGN_VERTICAL_DISTRIBUTED;
        default:
            return LXW_ALIGN_NONE;
    }
}

class XlsxWriter {
  public:
    XlsxWriter(BookModel& b, const std::string& path) : b_(b), path_(path) {}

    ~XlsxWriter() {
        // Abandoned after a failure: libxlsxwriter frees its data when closing; the replacement
        // removes the temporary file.
        if (wb_) workbook_close(wb_);
    }

    void write(int activeSheet) {
        std::string why;
        if (!file_.begin(path_, why)) fail(why);
        file_.closeFd();  // libxlsxwriter writes the temporary file by its name
        lxw_workbook_options opt{};
        opt.constant_memory = LXW_TRUE;
        wb_ = workbook_new_opt(file_.tempPath().c_str(), &opt);
        if (!wb_) fail("the workbook cannot be created");
        formats_.assign(b_.wb.styles.size(), nullptr);
        made_.assign(b_.wb.styles.size(), 0);
        for (size_t i = 0; i < b_.wb.sheets.size(); ++i) {
            lxw_worksheet* ws = writeSheet(b_.wb.sheets[i]);
            if (static_cast<int>(i) == activeSheet) worksheet_activate(ws);
        }
        lxw_error err = workbook_close(wb_);
        wb_ = nullptr;
        if (err != LXW_NO_ERROR) fail(lxw_strerror(err));
        if (!file_.commit(why)) fail(why);
    }

  private:
    [[noreturn]] void fail(const std::string& why) { ThrowWriteError(path_, why); }

    lxw_format* format(int64_t idx) {
        if (idx <= 0 || static_cast<size_t>(idx) >= formats_.size()) {
            if (idx == 0 && !b_.wb.styles.empty() && !(b_.wb.styles[0] == Style{})) return make(0);
            return nullptr;
        }
        return make(static_cast<size_t>(idx));
    }

    lxw_format* make(size_t idx) {
        if (made_[idx]) return formats_[idx];
        made_[idx] = 1;
        const Style& s = b_.wb.styles[idx];
        if (s == Style{}) return nullptr;
        lxw_format* f = workbook_add_format(wb_);
        if (!IsGeneralFormat(s.numFmt)) format_set_num_format(f, s.numFmt.c_str());
        if (s.fontName != "Calibri" && !s.fontName.empty())
            format_set_font_name(f, s.fontName.c_str());
        if (s.fontSize != 11 && s.fontSize > 0) format_set_font_size(f, s.fontSize);
        if (s.bold) format_set_bold(f);
        if (s.italic) format_set_italic(f);
        if (uint8_t h = hAlignOf(s.hAlign)) format_set_align(f, h);
        if (uint8_t v = vAlignOf(s.vAlign)) format_set_align(f, v);
        if (s.wrap) format_set_text_wrap(f);
        if (s.hasFill) {
            uint32_t c = s.fillColor;
            uint32_t rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb);
        }
        formats_[idx] = f;
        return f;
    }

    void writeColumns(const Sheet& s, lxw_worksheet* ws) {
        uint32_t next = 0;
        auto gap = [&](uint32_t upto) {
            if (next < upto && (s.sheetStyle > 0 || s.defaultColWidth != LXW_DEF_COL_WIDTH))
                worksheet_set_column(ws, static_cast<lxw_col_t>(next),
                                     static_cast<lxw_col_t>(upto - 1), s.defaultColWidth,
                                     format(s.sheetStyle));
        };
        for (const ColInfo& ci : s.cols) {
            if (ci.first >= kMaxCols || ci.last < ci.first) continue;
            uint32_t last = std::min(ci.last, kMaxCols - 1);
            gap(ci.first);
            int64_t st = ci.style >= 0 ? ci.style : s.sheetStyle;
            worksheet_set_column(ws, static_cast<lxw_col_t>(ci.first), static_cast<lxw_col_t>(last),
                                 ci.width >= 0 ? std::min(ci.width, 255.0) : s.defaultColWidth,
                                 format(st));
            next = last + 1;
        }
        gap(kMaxCols);
    }

    void setRow(lxw_worksheet* ws, const Sheet& s, uint32_t r, const Row* row) {
        double h = row && row->height >= 0 ? std::min(row->height, 409.0) : s.defaultRowHeight;
        worksheet_set_row(ws, r, h, row ? format(row->style) : nullptr);
    }

    void writeCell(lxw_worksheet* ws, uint32_t r, const Cell& cell) {
        lxw_format* f = format(cell.style);
        lxw_col_t c = static_cast<lxw_col_t>(cell.col);
        switch (cell.type) {
            case CellType::Empty:
                if (f) worksheet_write_blank(ws, r, c, f);
                break;
            case CellType::Number: {
                double v = cell.num;
                if (b_.wb.date1904 && b_.styleIsDate(cell.style))
                    v += 1462;  // written in the 1900 system
                worksheet_write_number(ws, r, c, v, f);
                break;
            }
            case CellType::String: {
                if (cell.str >= b_.wb.strings.size()) break;
                const std::string& str = b_.wb.strings[cell.str];
                if (worksheet_write_string(ws, r, c, str.c_str(), f) ==
                    LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED) {
                    // A cell holds at most 32767 characters: cut on a character boundary.
                    size_t n = std::min<size_t>(str.size(), 32767);
                    while (n > 0 && (static_cast<unsigned char>(str[n]) & 0xC0) == 0x80) --n;
                    std::string cut = str.substr(0, n);
                    while (worksheet_write_string(ws, r, c, cut.c_str(), f) ==
                               LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED &&
                           !cut.empty()) {
                        size_t m = cut.size() * 3 / 4;
                        while (m > 0 && (static_cast<unsigned char>(cut[m]) & 0xC0) == 0x80) --m;
                        cut.resize(m);
                    }
                }
                break;
            }
            case CellType::Bool:
                worksheet_write_boolean(ws, r, c, cell.boolean ? 1 : 0, f);
                break;
            case CellType::Error: {
                std::string t = ErrorText(cell.error);
                worksheet_write_formula_str(ws, r, c, ("=" + t).c_str(), f, t.c_str());
                break;
            }
        }
    }

    // Registers a merged area. In constant-memory mode libxlsxwriter only accepts it while its
    // last row is the current row: the row is made current first, so the call registers the area
    // and pads that row; the area's earlier rows were already written cell by cell.
    void writeMerge(lxw_worksheet* ws, const Sheet& s, const MergeArea& m) {
        if (m.r1 == m.r2 && m.c1 == m.c2) return;
        const Cell* tl = FindCell(s, m.r1, m.c1);
        std::string first;
        if (tl && tl->type == CellType::String && m.r1 == m.r2 && tl->str < b_.wb.strings.size())
            first = b_.wb.strings[tl->str];
        lxw_format* f = format(tl ? tl->style : EffectiveStyle(s, m.r1, m.c1));
        worksheet_merge_range(ws, m.r1, static_cast<lxw_col_t>(m.c1), m.r2,
                              static_cast<lxw_col_t>(m.c2), first.c_str(), f);
    }

    // Constant-memory mode keeps one row at a time but costs a 128 KB column table and a
    // temporary file per open sheet; a sheet of fewer cells (merged areas counted cell by cell)
    // than that table's worth is kept whole until the end instead.
    static bool streamed(const Sheet& s) {
        uint64_t cells = 0;
        for (const MergeArea& m : s.merges) cells += ToRect(m).cellCount();
        for (const Row& row : s.rows) cells += row.cells.size() + 1;
        return cells > kWholeSheetCells;
    }

    lxw_worksheet* writeSheet(const Sheet& s) {
        bool stream = streamed(s);
        wb_->options.constant_memory = stream ? LXW_TRUE : LXW_FALSE;
        lxw_worksheet* ws = workbook_add_worksheet(wb_, s.name.c_str());
        if (!ws) fail("the sheet name '" + s.name + "' is not accepted");
        if (s.defaultRowHeight != LXW_DEF_ROW_HEIGHT && s.defaultRowHeight > 0)
            worksheet_set_default_row(ws, s.defaultRowHeight, LXW_FALSE);
        writeColumns(s, ws);
        if (stream) {
            writeRowsStreamed(s, ws);
            return ws;
        }
        // Kept whole: the merged areas first, then every cell over the blanks they leave.
        for (const MergeArea& m : s.merges) writeMerge(ws, s, m);
        for (const Row& row : s.rows) {
            if (row.height >= 0 || row.style >= 0) setRow(ws, s, row.row, &row);
            for (const Cell& cell : row.cells) writeCell(ws, row.row, cell);
        }
        return ws;
    }

    // Rows in order; each merged area is registered while its last row is the current one.
    void writeRowsStreamed(const Sheet& s, lxw_worksheet* ws) {
        std::vector<MergeArea> merges = s.merges;
        std::sort(merges.begin(), merges.end(),
                  [](const MergeArea& a, const MergeArea& b) { return a.r2 < b.r2; });
        size_t mi = 0;
        for (const Row& row : s.rows) {
            if (row.row >= kMaxRows) break;
            // Areas that end in rows without a record of their own.
            while (mi < merges.size() && merges[mi].r2 < row.row) {
                uint32_t r2 = merges[mi].r2;
                setRow(ws, s, r2, nullptr);
                while (mi < merges.size() && merges[mi].r2 == r2) writeMerge(ws, s, merges[mi++]);
            }
            bool custom = row.height >= 0 || row.style >= 0;
            bool mergeHere = mi < merges.size() && merges[mi].r2 == row.row;
            if (custom || mergeHere) setRow(ws, s, row.row, &row);
            while (mi < merges.size() && merges[mi].r2 == row.row) writeMerge(ws, s, merges[mi++]);
            for (const Cell& cell : row.cells)
                if (cell.col < kMaxCols) writeCell(ws, row.row, cell);
        }
        while (mi < merges.size()) {
            uint32_t r2 = merges[mi].r2;
            setRow(ws, s, r2, nullptr);
            while (mi < merges.size() && merges[mi].r2 == r2) writeMerge(ws, s, merges[mi++]);
        }
    }

    BookModel& b_;
    std::string path_;
    os::FileReplacement file_;
    lxw_workbook* wb_ = nullptr;
    std::vector<lxw_format*> formats_;
    std::vector<char> made_;
};

}  // namespace

void WriteXlsx(BookModel& b, const std::string& utf8Path, int activeSheet) {
    XlsxWriter w(b, utf8Path);
    w.write(activeSheet);
}

}  // namespace tq::office
