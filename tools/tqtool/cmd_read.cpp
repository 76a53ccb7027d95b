// tqtool read: reads the first worksheet of a workbook as text with CTqExcel and prints it as JSON.
//
//   tqtool read FILE [--start ROW,COL] [--names N1,N2,...] [--all] [--merged]
//
// {"title": ..., "rows": N, "cols": M, "header": [...], "data": [[...], ...],
//  "merged": [[row, col, rows, cols], ...]}   ("merged" only with --merged)
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "tqtool/excel.h"
#include "text/text.h"

namespace {

struct ReadOptions {
    std::string file;
    std::string start;
    std::string names;
    bool all = false;
    bool merged = false;
};

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

tqcli::json tableJson(const tq::Table& t) {
    tqcli::json rows = tqcli::json::array();
    for (const auto& row : t) rows.push_back(tqcli::toJson(row));
    return rows;
}

void run(const ReadOptions& o) {
    int startRow = 1, startCol = 1;
    if (!o.start.empty()) {
        const auto parts = splitCommas(o.start);
        if (parts.size() != 2) throw tqcli::CommandError("--start takes ROW,COL");
        startRow = tq::text::atoi(parts[0].c_str());
        startCol = tq::text::atoi(parts[1].c_str());
    }

    tq::CTqExcel xl(tqcli::toGbk(o.file));
    if (!xl.open(true)) throw tqcli::CommandError("cannot open the workbook: " + o.file);
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
    if (o.all) {
        xl.getAllData(data);
    } else if (!o.names.empty()) {
        tq::StringArray names;
        for (const auto& n : splitCommas(o.names)) names.push_back(tqcli::toGbk(n));
        xl.getData(names, data);
    } else {
        xl.getData(data);
    }

    // Keys in the documented order: title, rows, cols, header, data, merged.
    nlohmann::ordered_json out;
    out["title"] = tqcli::toUtf8(title);
    out["rows"] = rows;
    out["cols"] = cols;
    out["header"] = tqcli::toJson(header);
    out["data"] = tableJson(data);
    if (o.merged) {
        std::vector<tq::STqFixedCellInfo> cells;
        xl.getMegeCell(data, cells);
        tqcli::json merged = tqcli::json::array();
        for (const auto& m : cells) merged.push_back({m.row, m.col, m.rowExtent, m.colExtent});
        out["merged"] = merged;
    }
    xl.exit();
    const std::string text =
        out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void setup(CLI::App& app) {
    auto opts = std::make_shared<ReadOptions>();
    auto* cmd = app.add_subcommand("read", "Read the first worksheet of a workbook as JSON");
    cmd->add_option("FILE", opts->file, "The workbook (.xlsx)")->required();
    cmd->add_option("--start", opts->start, "Excel row and column of offset (0,0), e.g. 3,2");
    cmd->add_option("--names", opts->names, "Header texts of the columns to read, comma-separated");
    cmd->add_flag("--all", opts->all, "Read every row (title and header included)");
    cmd->add_flag("--merged", opts->merged, "List the merged cells over the data read");
    cmd->callback([opts] { run(*opts); });
}

}  // namespace

TQTOOL_COMMAND(setup);
