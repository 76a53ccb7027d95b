// A workbook as lines of text, the form in which the reader tests compare what the engine read
// with what another reader (xlrd, openpyxl) or an expected-text file says:
//   FILE<TAB>SHEET<TAB>A1<TAB>text        a cell that holds a value, in its text form
//   FILE<TAB>SHEET<TAB>merged<TAB>A1:C2   a merged area
// Worksheets only; tabs, line ends and backslashes in texts are written \t, \n, \r and \\.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "office/spreadsheet/model/model_ops.h"

namespace tqtest {

inline std::vector<std::string> BookLines(const std::string& file, tq::office::Workbook wb) {
    using namespace tq::office;
    BookModel b(std::move(wb));
    std::vector<std::string> out;
    auto esc = [](const std::string& t) {
        std::string r;
        for (char c : t)
            r += c == '\n'   ? "\\n"
                 : c == '\r' ? "\\r"
                 : c == '\t' ? "\\t"
                 : c == '\\' ? "\\\\"
                             : std::string(1, c);
        return r;
    };
    for (const Sheet& s : b.wb.sheets) {
        if (s.kind != SheetKind::Worksheet) continue;
        const std::string head = file + "\t" + s.name + "\t";
        for (const Row& r : s.rows)
            for (const Cell& c : r.cells)
                if (c.type != CellType::Empty)
                    out.push_back(head + CellName(r.row, c.col) + "\t" + esc(CellText(b, c)));
        for (const MergeArea& m : s.merges) out.push_back(head + "merged\t" + RectName(ToRect(m)));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace tqtest
