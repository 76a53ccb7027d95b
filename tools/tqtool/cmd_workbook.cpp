// tqtool workbook dump FILE       every sheet as JSON: name, used range, cells, merged areas
// tqtool workbook convert IN OUT  converts between .xlsx/.xlsm, .xls and .csv
#include "cli.h"
#include "office/spreadsheet/file_io.h"
#include "office/spreadsheet/model/model_ops.h"

namespace {

using tq::office::BookModel;
using tq::office::CellType;

const char* typeName(BookModel& b, const tq::office::Cell& c) {
    switch (c.type) {
        case CellType::String:
            return "string";
        case CellType::Number:
            return b.styleIsDate(c.style) ? "date" : "number";
        case CellType::Bool:
            return "boolean";
        case CellType::Error:
            return "error";
        case CellType::Empty:
            break;
    }
    return "empty";
}

void dump(const std::string& file) {
    tq::office::Workbook wb;
    tq::office::LoadWorkbook(file, wb);
    BookModel b(std::move(wb));
    tqcli::json sheets = tqcli::json::array();
    for (const auto& s : b.wb.sheets) {
        tq::office::Rect used = tq::office::UsedRange(s);
        tqcli::json cells = tqcli::json::array();
        for (const auto& row : s.rows)
            for (const auto& cell : row.cells) {
                if (cell.type == CellType::Empty) continue;
                cells.push_back({{"ref", tq::office::CellName(row.row, cell.col)},
                                 {"row", row.row + 1},
                                 {"col", cell.col + 1},
                                 {"type", typeName(b, cell)},
                                 {"text", tq::office::CellText(b, cell)}});
            }
        tqcli::json merged = tqcli::json::array();
        for (const auto& m : s.merges)
            merged.push_back(tq::office::RectName(tq::office::ToRect(m)));
        sheets.push_back({{"name", s.name},
                          {"usedRange", tq::office::RectName(used)},
                          {"rows", used.rowCount()},
                          {"columns", used.colCount()},
                          {"cells", std::move(cells)},
                          {"merged", std::move(merged)}});
    }
    tqcli::print({{"file", file}, {"date1904", b.wb.date1904}, {"sheets", std::move(sheets)}});
}

void convert(const std::string& in, const std::string& out) {
    tq::office::Workbook wb;
    tq::office::LoadWorkbook(in, wb);
    BookModel b(std::move(wb));
    tq::office::SaveWorkbook(b, out, 0);
    tqcli::print({{"from", in}, {"to", out}, {"sheets", b.wb.sheets.size()}});
}

void setup(CLI::App& app) {
    auto* cmd = app.add_subcommand("workbook",
                                   "Read and convert workbook files (.xlsx, .xlsm, .xls, .csv)");
    cmd->require_subcommand(1);

    auto* d = cmd->add_subcommand(
        "dump", "Print every sheet as JSON: name, used range, cells, merged areas");
    static std::string dumpFile;
    d->add_option("FILE", dumpFile, "Workbook file")->required();
    d->callback([] { dump(dumpFile); });

    auto* c = cmd->add_subcommand("convert",
                                  "Convert between .xlsx, .xls and .csv by extension");
    static std::string in, out;
    c->add_option("IN", in, "Input workbook")->required();
    c->add_option("OUT", out, "Output file (.xlsx, .xls or .csv)")->required();
    c->callback([] { convert(in, out); });
}

}  // namespace

TQTOOL_COMMAND(setup);
