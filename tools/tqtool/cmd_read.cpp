// tqtool read: reads the first worksheet of a workbook as text with CTqExcel and prints it as JSON.
//
//   tqtool read FILE [--start ROW,COL] [--names N1,N2,...] [--all] [--merged]
//
// {"title": ..., "rows": N, "cols": M, "header": [...], "data": [[...], ...],
//  "merged": [[row, col, rows, cols], ...]}   ("merged" only with --merged)
//
// Everything is read from the library before the first byte is printed (the library holds the
// data anyway), so a failure leaves standard output empty; the rows are then written one after
// another without building a document.
#include <string>
#include <vector>

#include "cli.h"
#include "tool_api.h"
#include "tqtool/excel.h"

namespace {

// Splits "a,b,c" at commas (UTF-8; commas inside names are not supported).
std::vector<std::string> splitCommas(const std::string& s) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (true) {
        const size_t comma = s.find(',', from);
        parts.push_back(
            s.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return parts;
}

void read(const tqcli::Args& a) {
    const std::string& file = a.positional[0];
    int startRow = 1, startCol = 1;
    if (!a.value("--start").empty()) {
        const auto parts = splitCommas(a.value("--start"));
        if (parts.size() != 2) throw tqcli::UsageError("usage: --start takes ROW,COL");
        startRow = tq::tool::ParseIntC(parts[0].c_str());
        startCol = tq::tool::ParseIntC(parts[1].c_str());
    }

    tq::CTqExcel xl(tqcli::toGbk(file));
    if (!xl.open(true)) throw tqcli::CommandError("cannot open the workbook: " + file);
    xl.setStartRowAndCol(startRow, startCol);

    // Counting first makes the current range all cells of the sheet, so offsets count from A1
    // (plus the start) whatever the used range's first cell is.
    const int32_t rows = xl.getNumRow();
    const int32_t cols = xl.getNumCol();
    tq::String title;
    xl.getTableName(title);
    tq::StringArray header;
    xl.getHeader(header);

    tq::Table data;
    if (a.has("--all")) {
        xl.getAllData(data);
    } else if (!a.value("--names").empty()) {
        tq::StringArray names;
        for (const auto& n : splitCommas(a.value("--names"))) names.push_back(tqcli::toGbk(n));
        xl.getData(names, data);
    } else {
        xl.getData(data);
    }
    std::vector<tq::STqFixedCellInfo> merged;
    if (a.has("--merged")) xl.getMegeCell(data, merged);
    xl.exit();

    // Members in the documented order: title, rows, cols, header, data, merged.
    tqcli::JsonOut out;
    out.beginObject().key("title").gbk(title).key("rows").num(rows).key("cols").num(cols);
    out.key("header").gbkArray(header).key("data").beginArray();
    for (const auto& row : data) out.gbkArray(row);
    out.endArray();
    if (a.has("--merged")) {
        out.key("merged").beginArray();
        for (const auto& m : merged)
            out.beginArray().num(m.row).num(m.col).num(m.rowExtent).num(m.colExtent).endArray();
        out.endArray();
    }
    out.endObject().end();
}

}  // namespace

TQTOOL_COMMAND({"read",
                "read FILE [--start ROW,COL] [--names N1,N2,...] [--all] [--merged]",
                {"--all", "--merged"},
                {"--start", "--names"},
                1,
                1,
                tqcli::Parsing::Options,
                read});
