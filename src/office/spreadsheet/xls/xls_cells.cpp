// The records of one sheet of a BIFF stream: cell values of every kind (with the cached results
// of formulas), formatted empty cells, row heights and formats, column widths, default sizes and
// merged areas. Cells may come in any order; the sheet is sorted once at its end when they did
// not come in order.
#include <algorithm>

#include "office/spreadsheet/model/model_ops.h"
#include "office/spreadsheet/xls/xls_book.h"
#include "office/spreadsheet/xlsx/xlsx_reader.h"

namespace tq::office::xls {
namespace {

double rkValue(uint32_t rk) {
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint8_t b[8] = {0, 0, 0, 0};
        for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<uint8_t>((rk & 0xFFFFFFFC) >> (8 * i));
        v = F64(b);
    }
    return (rk & 1) ? v / 100 : v;
}

// The number of cells that the records from `pos` on give row `row`, counting only records the
// stream's window already holds (0 when it holds none of them): the room a row's cells take,
// known before the first of them is stored. A record of another kind or row ends the count.
size_t cellsAhead(const StreamSource& s, size_t pos, uint32_t row) {
    size_t n = 0;
    while (n < kMaxCols) {
        const uint8_t* h = s.held(pos, 4);
        if (!h) break;
        uint16_t type = U16(h), size = U16(h + 2);
        const uint8_t* d = s.held(pos + 4, size);
        if (!d || size < 6 || U16(d) != row) break;
        switch (type) {
            case rec::kMulRk:
                n += (size - 6u) / 6;
                break;
            case rec::kMulBlank:
                n += (size - 6u) / 2;
                break;
            case rec::kNumber:
            case rec::kRk:
            case rec::kLabelSst:
            case rec::kLabel:
            case rec::kRString:
            case rec::kBlank:
            case rec::kBoolErr:
            case rec::kFormula:
                ++n;
                break;
            default:
                return n;
        }
        pos += 4 + size;
    }
    return n;
}

// Collects the cells of a sheet: appended while they come in order, sorted once at the end
// otherwise (a later cell at the same place wins). A row's cells are given the room the records
// ahead say they take.
class SheetBuilder {
  public:
    SheetBuilder(Sheet& s, const StreamSource& stream) : s_(s), stream_(stream) {}

    /// The stream position of the record being read, where the look ahead starts.
    void at(size_t offset) { offset_ = offset; }

    Cell& add(uint32_t r, uint32_t c, uint32_t style) {
        if (c >= kMaxCols) beyondColumns(c);
        if (s_.rows.empty() || s_.rows.back().row != r) newRow(r);
        Row& row = s_.rows.back();
        if (!row.cells.empty() && row.cells.back().col >= c) ordered_ = false;
        Cell& cell = row.cells.emplace_back();
        cell.col = static_cast<uint16_t>(c);
        cell.style = style;
        return cell;
    }

    void rowFormat(uint32_t r, double height, int32_t style) {
        attrs_.push_back({r, style, height});
    }

    void finish() {
        if (!ordered_) sortCells();
        if (attrs_.empty()) return;
        auto byRow = [](const RowFormat& a, const RowFormat& b) { return a.row < b.row; };
        if (!std::is_sorted(attrs_.begin(), attrs_.end(), byRow))
            std::stable_sort(attrs_.begin(), attrs_.end(), byRow);
        if (formatInPlace()) return;
        std::vector<Row> merged;
        merged.reserve(s_.rows.size() + attrs_.size());
        size_t i = 0;
        for (size_t a = 0; a < attrs_.size(); ++a) {
            if (a + 1 < attrs_.size() && attrs_[a + 1].row == attrs_[a].row) continue;
            while (i < s_.rows.size() && s_.rows[i].row < attrs_[a].row)
                merged.push_back(std::move(s_.rows[i++]));
            Row row;
            if (i < s_.rows.size() && s_.rows[i].row == attrs_[a].row)
                row = std::move(s_.rows[i++]);
            row.row = attrs_[a].row;
            row.height = attrs_[a].height;
            row.style = attrs_[a].style;
            if (!row.cells.empty() || row.height >= 0 || row.style >= 0)
                merged.push_back(std::move(row));
        }
        while (i < s_.rows.size()) merged.push_back(std::move(s_.rows[i++]));
        s_.rows = std::move(merged);
    }

  private:
    [[noreturn]] static void beyondColumns(uint32_t c) {
        throw Damaged("a cell lies in column " + std::to_string(c + 1) + ", beyond the " +
                      std::to_string(kMaxCols) + " columns of a sheet");
    }

    void newRow(uint32_t r) {
        size_t width = cellsAhead(stream_, offset_, r);
        if (!s_.rows.empty()) {
            if (s_.rows.back().row > r) ordered_ = false;
            // Without a count, rows are mostly as wide as the one before.
            if (width == 0) width = s_.rows.back().cells.size();
        }
        s_.rows.emplace_back().row = r;
        s_.rows.back().cells.reserve(width);
    }

    // A ROW record's height and format, applied to the sheet's rows at the end.
    struct RowFormat {
        uint32_t row;
        int32_t style;
        double height;
    };

    // Formats the rows in place when every formatted row already has cells (sheets whose ROW
    // records list the rows they fill): no row is added, so the rows are not copied. The last
    // record of a row wins, as in the merge.
    bool formatInPlace() {
        auto& rows = s_.rows;
        size_t i = 0;
        for (const RowFormat& a : attrs_) {
            while (i < rows.size() && rows[i].row < a.row) ++i;
            if (i == rows.size() || rows[i].row != a.row) return false;
        }
        i = 0;
        for (const RowFormat& a : attrs_) {
            while (rows[i].row < a.row) ++i;
            rows[i].height = a.height;
            rows[i].style = a.style;
        }
        return true;
    }

    void sortCells() {
        struct Entry {
            uint32_t row;
            Cell cell;
        };
        std::vector<Entry> all;
        for (Row& r : s_.rows)
            for (Cell& c : r.cells) all.push_back({r.row, c});
        s_.rows.clear();
        std::stable_sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) {
            return a.row != b.row ? a.row < b.row : a.cell.col < b.cell.col;
        });
        for (size_t k = 0; k < all.size(); ++k) {
            if (k + 1 < all.size() && all[k + 1].row == all[k].row &&
                all[k + 1].cell.col == all[k].cell.col)
                continue;  // the later record wins
            if (s_.rows.empty() || s_.rows.back().row != all[k].row)
                s_.rows.emplace_back().row = all[k].row;
            s_.rows.back().cells.push_back(all[k].cell);
        }
    }

    Sheet& s_;
    const StreamSource& stream_;
    size_t offset_ = 0;
    bool ordered_ = true;
    std::vector<RowFormat> attrs_;
};

}  // namespace

void BookReader::tooManyCells() const {
    throw Damaged("the workbook holds more than " + std::to_string(maxCells_) +
                  " cells (limit maxCells)");
}

void BookReader::countText(size_t bytes) {
    textBytes_ += bytes;
    if (textBytes_ > maxText_)
        throw Damaged("the workbook holds more than " + std::to_string(maxText_) +
                      " bytes of text (limit maxTextBytes)");
}

uint32_t BookReader::addText(std::string&& utf8) {
    wb_.strings.push_back(std::move(utf8));
    return static_cast<uint32_t>(wb_.strings.size() - 1);
}

uint32_t BookReader::sharedString(uint32_t i) {
    if (i >= sstCount_)
        throw Damaged("a cell refers to shared string " + std::to_string(i) + " of " +
                      std::to_string(sstCount_));
    if (!sstUsed_[i]) {
        sstUsed_[i] = true;
        ++sstUsedCount_;
    }
    return i;
}

// One sheet's records, from its BOF to its EOF. Embedded substreams (charts on the sheet) are
// skipped whole. The switch is long because every cell record kind has its own layout.
size_t BookReader::readSheet(size_t pos, Sheet& sh) {
    RecordReader rd(s_, pos);
    Record r;
    rd.next(r);
    SheetBuilder build(sh, s_);
    const bool b2 = codec_.biff == 2;
    const size_t head = b2 ? 7 : 6;  // row, column and format (3 attribute bytes in BIFF2)
    uint32_t row = 0, col = 0, style = 0;
    // Reads a cell's position and format and counts the cell; the record must hold `data` bytes
    // of value after them.
    auto cell = [&](size_t data) {
        if (r.size < head + data) throw Damaged("a cell record is too short");
        row = U16(r.data);
        col = U16(r.data + 2);
        style = styleOf(b2 ? r.data[4] & 0x3F : U16(r.data + 4));
        countCell();
    };
    // A number cell whose `data` bytes of value `value` decodes.
    auto number = [&](size_t data, auto value) {
        cell(data);
        Cell& c = build.add(row, col, style);
        c.type = CellType::Number;
        c.num = value();
    };
    // A text cell: its bytes counted against the budget, the text kept in the string pool.
    auto text = [&](uint32_t at, uint32_t column, uint32_t format, std::string t) {
        countText(t.size());
        uint32_t str = addText(std::move(t));
        Cell& c = build.add(at, column, format);
        c.type = CellType::String;
        c.str = str;
    };
    bool pendingString = false;
    uint32_t pRow = 0, pCol = 0, pStyle = 0;
    bool standardWidth = false;
    int depth = 0;
    while (rd.next(r)) {
        if (rec::IsBof(r.type)) {
            ++depth;
            continue;
        }
        if (r.type == rec::kEof) {
            if (depth-- == 0) {
                build.finish();
                return rd.pos();
            }
            continue;
        }
        if (depth > 0) continue;
        build.at(r.offset);
        switch (r.type) {
            case rec::kNumber:
            case rec::kNumber2:
                number(8, [&] { return F64(r.data + head); });
                break;
            case rec::kInteger2:
                number(2, [&] { return double(U16(r.data + head)); });
                break;
            case rec::kRk:
                number(4, [&] { return rkValue(U32(r.data + 6)); });
                break;
            case rec::kMulRk:
            case rec::kMulBlank: {
                bool rk = r.type == rec::kMulRk;
                size_t each = rk ? 6 : 2;
                if (r.size < 6) throw Damaged("a MULRK or MULBLANK record is too short");
                row = U16(r.data);
                uint32_t first = U16(r.data + 2);
                size_t n = (r.size - 6) / each;
                for (size_t k = 0; k < n; ++k) {
                    const uint8_t* p = r.data + 4 + k * each;
                    countCell();
                    Cell& c = build.add(row, first + static_cast<uint32_t>(k), styleOf(U16(p)));
                    if (rk) {
                        c.type = CellType::Number;
                        c.num = rkValue(U32(p + 2));
                    }
                }
                break;
            }
            case rec::kBlank:
            case rec::kBlank2:
                cell(0);
                build.add(row, col, style);
                break;
            case rec::kLabelSst: {
                cell(4);
                uint32_t str = sharedString(U32(r.data + 6));
                Cell& c = build.add(row, col, style);
                c.type = CellType::String;
                c.str = str;
                break;
            }
            case rec::kLabel:
            case rec::kLabel2:
            case rec::kRString: {
                cell(b2 ? 1 : 2);
                Cursor cur(r.data + head, r.size - head);
                std::string t;
                cur.text(codec_, b2, t);
                text(row, col, style, std::move(t));
                break;
            }
            case rec::kBoolErr:
            case rec::kBoolErr2: {
                cell(2);
                Cell& c = build.add(row, col, style);
                uint8_t v = r.data[head];
                if (r.data[head + 1]) {
                    c.type = CellType::Error;
                    c.error = 2000 + v;  // the model's codes are 2000 + the file's
                } else {
                    c.type = CellType::Bool;
                    c.boolean = v != 0;
                }
                break;
            }
            case rec::kFormula:
            case rec::kFormula3:
            case rec::kFormula4: {
                cell(8);
                const uint8_t* v = r.data + head;
                pendingString = false;
                if (U16(v + 6) != 0xFFFF) {
                    Cell& c = build.add(row, col, style);
                    c.type = CellType::Number;
                    c.num = F64(v);
                } else if (v[0] == 0) {
                    // The text follows in a STRING record.
                    pendingString = true;
                    pRow = row, pCol = col, pStyle = style;
                } else if (v[0] == 1 || v[0] == 2) {
                    Cell& c = build.add(row, col, style);
                    if (v[0] == 1) {
                        c.type = CellType::Bool;
                        c.boolean = v[2] != 0;
                    } else {
                        c.type = CellType::Error;
                        c.error = 2000 + v[2];
                    }
                } else {
                    Cell& c = build.add(row, col, style);
                    c.type = CellType::String;
                    c.str = addText(std::string());
                }
                break;
            }
            case rec::kString:
            case rec::kString2: {
                if (!pendingString) break;
                pendingString = false;
                Cursor cur = Cursor::WithContinues(r, rd);
                std::string t;
                cur.text(codec_, b2, t);
                rd.skipContinues();
                text(pRow, pCol, pStyle, std::move(t));
                break;
            }
            case rec::kRow:
            case rec::kRow2: {
                if (r.size < 8) throw Damaged("a ROW record is too short");
                uint16_t h = U16(r.data + 6);
                uint16_t flags = codec_.biff >= 3 && r.size >= 16 ? U16(r.data + 12) : 0;
                bool custom = codec_.biff >= 5 ? (flags & 0x40) != 0 : (h & 0x8000) == 0;
                double height = custom ? (h & 0x7FFF) / 20.0 : -1;
                if (flags & 0x20) height = 0;  // hidden
                int32_t rowStyle = -1;
                if ((flags & 0x80) && r.size >= 16)
                    rowStyle = static_cast<int32_t>(styleOf(U16(r.data + 14) & 0x0FFF));
                if (height >= 0 || rowStyle >= 0) build.rowFormat(U16(r.data), height, rowStyle);
                break;
            }
            case rec::kColInfo:
            case rec::kColWidth2: {
                bool b2w = r.type == rec::kColWidth2;
                if (r.size < (b2w ? 4u : 10u)) throw Damaged("a COLINFO record is too short");
                uint32_t c1 = b2w ? r.data[0] : U16(r.data);
                uint32_t c2 = std::min<uint32_t>(b2w ? r.data[1] : U16(r.data + 2), kMaxCols - 1);
                if (c2 < c1) break;
                uint16_t raw = U16(r.data + (b2w ? 2 : 4));
                double w = !b2w && (U16(r.data + 8) & 1) ? 0 : ColumnWidthFromFile(raw / 256.0);
                int32_t colStyle = -1;
                if (!b2w && U16(r.data + 6) != 15)
                    colStyle = static_cast<int32_t>(styleOf(U16(r.data + 6)));
                EditColumns(sh, c1, c2, [&](ColInfo& ci) {
                    ci.width = w;
                    ci.style = colStyle;
                });
                break;
            }
            case rec::kDefColWidth:
                if (r.size >= 2 && !standardWidth) sh.defaultColWidth = U16(r.data) + 0.43;
                break;
            case rec::kStandardWidth:
                if (r.size >= 2) {
                    sh.defaultColWidth = ColumnWidthFromFile(U16(r.data) / 256.0);
                    standardWidth = true;
                }
                break;
            case rec::kDefRowHeight:
                if (r.size >= 4) sh.defaultRowHeight = U16(r.data + 2) / 20.0;
                break;
            case rec::kDefRowHeight2:
                if (r.size >= 2) sh.defaultRowHeight = (U16(r.data) & 0x7FFF) / 20.0;
                break;
            case rec::kMergedCells: {
                Cursor cur(r.data, r.size);
                uint16_t n = cur.u16();
                for (uint16_t k = 0; k < n && cur.left() >= 8; ++k) {
                    MergeArea m;
                    m.r1 = cur.u16();
                    m.r2 = cur.u16();
                    m.c1 = cur.u16();
                    m.c2 = cur.u16();
                    if (m.r2 < m.r1 || m.c2 < m.c1 || m.c2 >= kMaxCols ||
                        (m.r1 == m.r2 && m.c1 == m.c2))
                        continue;
                    countCell();
                    sh.merges.push_back(m);
                }
                break;
            }
            case rec::kDimensions:
                // Room for the rows the sheet says it uses, as far as a sheet and the records
                // left can hold them (a row takes a cell record of at least ten bytes).
                if (sh.rows.empty() && r.size >= 10) {
                    bool wide = r.size >= 14;  // BIFF8: 32-bit row numbers
                    uint32_t first = wide ? U32(r.data) : U16(r.data);
                    uint32_t last = wide ? U32(r.data + 4) : U16(r.data + 2);
                    if (last > first)
                        sh.rows.reserve(std::min<size_t>(
                            {last - first, kMaxRows, (s_.size() - rd.pos()) / 10}));
                }
                break;
            case rec::kWsBool:
                if (r.size >= 2 && (U16(r.data) & 0x0010)) sh.kind = SheetKind::Dialog;
                break;
            default:
                onFormatRecord(r);
                break;
        }
    }
    throw Damaged("sheet '" + sh.name + "' has no EOF record");
}

}  // namespace tq::office::xls
