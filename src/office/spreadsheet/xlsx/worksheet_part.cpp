// The worksheet parts of an .xlsx package (worksheets, and macro and dialog sheets, which share
// their layout): sheet data (rows and cells with their values and formats), column records,
// row heights, the default sizes and merged areas.
#include <algorithm>
#include <map>
#include <queue>

#include "office/spreadsheet/file_messages.h"
#include "office/spreadsheet/model/cell_ref.h"
#include "office/spreadsheet/model/model_ops.h"
#include "office/spreadsheet/xlsx/read_parts.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"
#include "text/dates.h"

namespace tq::office {

bool IsoDateToSerial(std::string_view s, bool date1904, double& out) {
    size_t t = s.find_first_of("T ");
    bool hasDate = s.size() >= 8 && s.find('-') < t;
    double date = 0;
    if (hasDate && !text::ParseDate(s.substr(0, t), date)) return false;
    double fraction = 0;
    if (!hasDate || t != std::string_view::npos) {
        std::string_view time = hasDate ? s.substr(t + 1) : s;
        if (!time.empty() && time.back() == 'Z') time.remove_suffix(1);
        // h:mm[:ss[.fff]]
        size_t c1 = time.find(':');
        if (c1 == std::string_view::npos) return false;
        size_t c2 = time.find(':', c1 + 1);
        uint32_t h = 0, m = 0;
        double sec = 0;
        if (!xlsx::parseInteger(time.substr(0, c1), h) ||
            !xlsx::parseInteger(time.substr(c1 + 1, c2 - c1 - 1), m) ||
            (c2 != std::string_view::npos && !xlsx::parseDouble(time.substr(c2 + 1), sec)))
            return false;
        if (h > 24 || m > 59 || sec < 0 || sec >= 61) return false;
        fraction = (h * 3600.0 + m * 60.0 + sec) / 86400.0;
    }
    // A time alone is a time of day, the same in both date systems.
    out = hasDate ? OleToSerial(date + fraction, date1904) : fraction;
    return true;
}

namespace xlsx {

namespace {

[[noreturn]] void sheetFail(const std::string& part, const std::string& what) {
    throw ZipError(part + ": " + what);
}

bool errorCode(std::string_view v, int32_t& code) {
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    if (int32_t c = automation::ErrorValueFromText(v)) {
        code = c;
        return true;
    }
    if (!v.empty() && v.front() == '#') {  // newer error kinds (#SPILL!, #CALC! ...)
        code = static_cast<int32_t>(CellError::Value);
        return true;
    }
    return false;
}

// Sorts cells by column; of cells at the same column the last one (in file order) is kept, as
// the spreadsheet does.
void sortCells(std::vector<Cell>& cells) {
    std::stable_sort(cells.begin(), cells.end(),
                     [](const Cell& a, const Cell& b) { return a.col < b.col; });
    size_t out = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (out > 0 && cells[out - 1].col == cells[i].col)
            cells[out - 1] = cells[i];
        else
            cells[out++] = cells[i];
    }
    cells.resize(out);
}

// The kinds of <c t="..">: number, shared string, formula text, inline string, boolean, error,
// ISO date.
enum class ValueKind : char { Number, Shared, FormulaText, Inline, Bool, Error, Date };

class SheetReader {
  public:
    SheetReader(ReadContext& ctx, const std::string& part, Sheet& sheet)
        : ctx_(ctx), part_(part), sh_(sheet) {}
    void read();

  private:
    void sheetData(XmlPull& x);
    bool row(XmlPull& x, uint32_t& nextRow);
    void rowCells(XmlPull& x, Row& row, bool rowNumbered);
    bool cell(XmlPull& x, Row& row, bool& first, bool rowNumbered, uint32_t& nextCol, Cell& c);
    ValueKind kindOf(std::string_view t) const;
    void cellValue(XmlPull& x, ValueKind kind, bool& hasV, bool& hasIs);
    void setValue(Cell& c, uint32_t row, ValueKind kind);
    void sortRows();
    void sheetFormat(XmlPull& x);
    void column(XmlPull& x);
    void mergeCell(XmlPull& x);
    void finish();
    int32_t styleAttr(XmlPull& x, const char* name) const;
    [[noreturn]] void fail(const std::string& what) const { sheetFail(part_, what); }

    ReadContext& ctx_;
    const std::string& part_;
    Sheet& sh_;
    std::string v_;               // the text of the current cell's value
    std::vector<Cell> rowCells_;  // the current row's cells, before they are sorted
    bool rowsSorted_ = true;
};

void SheetReader::read() {
    XmlPart p(ctx_, part_);
    XmlPull& x = p.x;
    for (XmlPull::Event ev; (ev = x.next()) != XmlPull::Eof;) {
        if (ev != XmlPull::Start || x.depth() == 1) continue;  // <worksheet>
        std::string_view n = x.name();
        if (n == "sheetData")
            sheetData(x);
        else if (n == "sheetFormatPr")
            sheetFormat(x);
        else if (n == "col")
            column(x);
        else if (n == "mergeCell")
            mergeCell(x);
        else if (n != "sheetPr" && n != "mergeCells" && n != "cols")  // their children count
            x.skipElement();  // dimension, views, conditional formats, drawings ...
    }
    finish();
}

// The style index in attribute `name` as a model style, or -1 when it has none of its own.
int32_t SheetReader::styleAttr(XmlPull& x, const char* name) const {
    uint64_t si = 0;
    bool f = false;
    std::string_view sv = x.attr(name, &f);
    if (f && parseInteger(sv, si) && si < ctx_.xfMap.size() && ctx_.xfMap[si] != 0)
        return static_cast<int32_t>(ctx_.xfMap[si]);
    return -1;
}

void SheetReader::sheetData(XmlPull& x) {
    if (x.selfClosing()) {
        x.next();
        return;
    }
    const size_t depth = x.depth();
    uint32_t nextRow = 0;
    for (XmlPull::Event ev; (ev = x.next()) != XmlPull::Eof;) {
        if (ev == XmlPull::End && x.depth() < depth) break;
        if (ev != XmlPull::Start) continue;
        if (x.name() != "row") {
            x.skipElement();
            continue;
        }
        row(x, nextRow);
    }
    if (!rowsSorted_) sortRows();
}

// <row r=".." ht=".." customHeight="1" s=".." customFormat="1">: false when the row holds
// nothing to keep.
bool SheetReader::row(XmlPull& x, uint32_t& nextRow) {
    bool numbered = false;
    std::string_view rv = x.attr("r", &numbered);
    Row row;
    row.row = nextRow;
    if (numbered) {
        uint64_t r = 0;
        if (!parseInteger(rv, r) || r == 0) fail("invalid row number '" + Snippet(rv) + "'");
        if (r > kMaxRows)
            fail("row " + Snippet(rv) + " is beyond the sheet's last row " +
                 std::to_string(kMaxRows));
        row.row = static_cast<uint32_t>(r - 1);
    }
    if (row.row >= kMaxRows) fail("more rows than a sheet can hold");
    bool f = false;
    std::string_view hv = x.attr("ht", &f);
    double ht = 0;
    if (f && attrBool(x.attr("customHeight"), false) && parseDouble(hv, ht) && ht >= 0 &&
        ht <= 409.5)
        row.height = ht;
    if (attrBool(x.attr("customFormat"), false)) row.style = styleAttr(x, "s");
    rowCells(x, row, numbered);
    nextRow = row.row + 1;
    if (rowCells_.empty() && row.style < 0 && row.height < 0) return false;
    ctx_.budget.records();
    row.cells.assign(rowCells_.begin(), rowCells_.end());
    if (!sh_.rows.empty() && sh_.rows.back().row >= row.row) rowsSorted_ = false;
    sh_.rows.push_back(std::move(row));
    return true;
}

void SheetReader::rowCells(XmlPull& x, Row& row, bool rowNumbered) {
    rowCells_.clear();
    if (x.selfClosing()) {
        x.next();
        return;
    }
    bool sorted = true, first = true;
    uint32_t nextCol = 0;
    const size_t depth = x.depth();
    for (XmlPull::Event ev; (ev = x.next()) != XmlPull::Eof;) {
        if (ev == XmlPull::End && x.depth() < depth) break;
        if (ev != XmlPull::Start) continue;
        if (x.name() != "c") {
            x.skipElement();
            continue;
        }
        Cell c;
        if (!cell(x, row, first, rowNumbered, nextCol, c)) continue;
        ctx_.budget.records();
        if (!rowCells_.empty() && rowCells_.back().col >= c.col) sorted = false;
        rowCells_.push_back(c);
    }
    if (!sorted) sortCells(rowCells_);
}

// <c r="B2" s="3" t="s"><v>..</v></c>: false when the cell holds neither a value nor a format.
// The first cell's reference numbers a row that has no number of its own.
bool SheetReader::cell(XmlPull& x, Row& row, bool& first, bool rowNumbered, uint32_t& nextCol,
                       Cell& c) {
    bool f = false;
    std::string_view ref = x.attr("r", &f);
    uint32_t col = nextCol;
    if (f && !ref.empty()) {
        uint32_t rr = 0;
        RefParse parsed = ParseCellRef(ref, rr, col);
        if (parsed == RefParse::Invalid) fail("invalid cell reference '" + Snippet(ref, 20) + "'");
        if (parsed == RefParse::Beyond)
            fail("cell " + Snippet(ref, 20) + " is beyond the sheet's limits (XFD1048576)");
        if (first && !rowNumbered) row.row = rr;
    }
    first = false;
    if (col >= kMaxCols) fail("more columns than a sheet can hold");
    nextCol = col + 1;
    c.col = col;
    c.style = ctx_.defaultStyle;
    uint64_t si = 0;
    std::string_view sv = x.attr("s", &f);
    if (f && parseInteger(sv, si) && si < ctx_.xfMap.size()) c.style = ctx_.xfMap[si];
    ValueKind kind = kindOf(x.attr("t"));
    bool hasV = false, hasIs = false;
    cellValue(x, kind, hasV, hasIs);
    // An empty <v> (a formula never calculated) holds no value.
    if (hasV && kind != ValueKind::FormulaText && kind != ValueKind::Inline &&
        v_.find_first_not_of(" \t\r\n") == std::string::npos)
        hasV = false;
    // The text of an inline string given in <v>, as of a formula's text result, holds escapes.
    if (kind == ValueKind::Inline && !hasIs) kind = ValueKind::FormulaText;
    if (hasV || hasIs) setValue(c, row.row, kind);
    return c.type != CellType::Empty || c.style != 0;
}

ValueKind SheetReader::kindOf(std::string_view t) const {
    if (t.empty() || t == "n") return ValueKind::Number;
    if (t == "s") return ValueKind::Shared;
    if (t == "str") return ValueKind::FormulaText;
    if (t == "inlineStr") return ValueKind::Inline;
    if (t == "b") return ValueKind::Bool;
    if (t == "e") return ValueKind::Error;
    if (t == "d") return ValueKind::Date;
    fail("unknown cell type '" + Snippet(t, 20) + "'");
}

// Reads the children of <c>: the text of <v> or, for an inline string, of <is>.
void SheetReader::cellValue(XmlPull& x, ValueKind kind, bool& hasV, bool& hasIs) {
    v_.clear();
    if (x.selfClosing()) {
        x.next();
        return;
    }
    const size_t depth = x.depth();
    for (XmlPull::Event ev; (ev = x.next()) != XmlPull::Eof;) {
        if (ev == XmlPull::End && x.depth() < depth) break;
        if (ev != XmlPull::Start) continue;
        std::string_view n = x.name();
        if (n == "v") {
            hasV = true;
            v_.clear();
            CollectText(x, v_, ctx_.budget);
        } else if (n == "is" && kind == ValueKind::Inline) {
            hasIs = true;
            v_.clear();
            CollectRichText(x, v_, ctx_.budget);
        } else {
            x.skipElement();  // <f>, <extLst> ...
        }
    }
}

void SheetReader::setValue(Cell& c, uint32_t row, ValueKind kind) {
    auto bad = [&](const char* what) {
        fail("cell " + CellName(row, c.col) + ": '" + Snippet(v_) + "' is not " + what);
    };
    switch (kind) {
        case ValueKind::Number:
            if (!parseDouble(v_, c.num)) bad("a number");
            c.type = CellType::Number;
            break;
        case ValueKind::Date:
            if (!IsoDateToSerial(v_, ctx_.wb.date1904, c.num)) bad("a date");
            c.type = CellType::Number;
            break;
        case ValueKind::Shared: {
            uint64_t idx = 0;
            if (!parseInteger(v_, idx)) fail("invalid shared-string index '" + Snippet(v_) + "'");
            if (idx >= ctx_.sharedCount)
                fail("shared-string index " + std::to_string(idx) +
                     " is out of range (the workbook has " + std::to_string(ctx_.sharedCount) +
                     " shared strings)");
            c.type = CellType::String;
            c.str = static_cast<uint32_t>(idx);
            break;
        }
        case ValueKind::FormulaText:
        case ValueKind::Inline:
            if (kind == ValueKind::FormulaText) DecodeXEscapes(v_);
            if (ctx_.wb.strings.size() >= 0xFFFFFFFFu) fail("too many strings");
            ctx_.budget.text(v_.size());
            c.type = CellType::String;
            c.str = static_cast<uint32_t>(ctx_.wb.strings.size());
            ctx_.wb.strings.push_back(v_);
            break;
        case ValueKind::Bool: {
            std::string_view b = trimBlanks(v_);
            if (b != "1" && b != "true" && b != "0" && b != "false")
                fail("invalid boolean '" + Snippet(v_) + "'");
            c.type = CellType::Bool;
            c.boolean = b == "1" || b == "true";
            break;
        }
        case ValueKind::Error:
            if (!errorCode(v_, c.error)) fail("invalid error value '" + Snippet(v_) + "'");
            c.type = CellType::Error;
            break;
    }
}

// Rows out of order are sorted; a row given twice is one row whose cells join in file order, the
// later of two cells at one column winning.
void SheetReader::sortRows() {
    std::stable_sort(sh_.rows.begin(), sh_.rows.end(),
                     [](const Row& a, const Row& b) { return a.row < b.row; });
    std::vector<Row> merged;
    std::vector<size_t> needSort;
    merged.reserve(sh_.rows.size());
    for (Row& r : sh_.rows) {
        if (merged.empty() || merged.back().row != r.row) {
            merged.push_back(std::move(r));
            continue;
        }
        Row& m = merged.back();
        if (r.height >= 0) m.height = r.height;
        if (r.style >= 0) m.style = r.style;
        m.cells.insert(m.cells.end(), r.cells.begin(), r.cells.end());
        if (needSort.empty() || needSort.back() != merged.size() - 1)
            needSort.push_back(merged.size() - 1);
    }
    for (size_t i : needSort) sortCells(merged[i].cells);
    sh_.rows.swap(merged);
}

void SheetReader::sheetFormat(XmlPull& x) {
    bool f = false;
    double w = 0;
    std::string_view v = x.attr("defaultColWidth", &f);
    if (f && parseDouble(v, w) && w >= 0 && w <= 255) {
        sh_.defaultColWidth = ColumnWidthFromFile(w);
    } else {
        v = x.attr("baseColWidth", &f);
        if (f && parseDouble(v, w) && w >= 0 && w <= 255) sh_.defaultColWidth = w + 0.43;
    }
    v = x.attr("defaultRowHeight", &f);
    if (f && parseDouble(v, w) && w >= 0 && w <= 409.5) sh_.defaultRowHeight = w;
}

void SheetReader::column(XmlPull& x) {
    uint64_t mn = 0, mx = 0;
    if (!parseInteger(x.attr("min"), mn) || !parseInteger(x.attr("max"), mx)) return;
    if (mn < 1 || mn > kMaxCols) return;
    mx = std::min<uint64_t>(mx, kMaxCols);
    if (mx < mn) return;
    ColInfo ci;
    ci.first = static_cast<uint32_t>(mn - 1);
    ci.last = static_cast<uint32_t>(mx - 1);
    bool f = false;
    double w = 0;
    std::string_view wv = x.attr("width", &f);
    if (f && parseDouble(wv, w) && w >= 0 && w <= 255 &&
        (attrBool(x.attr("customWidth"), false) || !attrBool(x.attr("bestFit"), false)))
        ci.width = ColumnWidthFromFile(w);
    if (attrBool(x.attr("hidden"), false)) ci.width = 0;
    ci.style = styleAttr(x, "style");
    if (ci.width < 0 && ci.style < 0) return;
    ctx_.budget.records();
    sh_.cols.push_back(ci);
}

void SheetReader::mergeCell(XmlPull& x) {
    std::string_view ref = x.attr("ref");
    if (ref.find(':') == std::string_view::npos) return;
    Rect area;
    RefParse parsed = ParseRectRef(ref, area);
    if (parsed == RefParse::Invalid) fail("invalid merged area '" + Snippet(ref) + "'");
    if (parsed == RefParse::Beyond)
        fail("merged area " + Snippet(ref) + " is beyond the sheet's limits");
    if (area.single()) return;
    ctx_.budget.records();
    sh_.merges.push_back(ToMerge(area));
}

// Keeps column runs sorted and disjoint, and merged areas disjoint: a later area overlapping an
// earlier one is dropped, as the spreadsheet's repair does.
void SheetReader::finish() {
    std::stable_sort(sh_.cols.begin(), sh_.cols.end(),
                     [](const ColInfo& a, const ColInfo& b) { return a.first < b.first; });
    std::vector<ColInfo> cols;
    for (ColInfo c : sh_.cols) {
        if (!cols.empty() && c.first <= cols.back().last) c.first = cols.back().last + 1;
        if (c.first > c.last) continue;
        cols.push_back(c);
    }
    sh_.cols.swap(cols);
    std::vector<MergeArea> in;
    in.swap(sh_.merges);
    SetMerges(sh_, std::move(in));
}

}  // namespace

void ReadWorksheetPart(ReadContext& ctx, const std::string& part, Sheet& sheet) {
    SheetReader(ctx, part, sheet).read();
}

}  // namespace xlsx
}  // namespace tq::office
