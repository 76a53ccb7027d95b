// tqtool export-excel: writes a table set into a workbook with ExcelTable.
//
//   tqtool export-excel --in TABLES.json (--out FILE.xlsx | --show)
//
// TABLES.json (table_input.h): {"tables": [...], "fixedCells": [[...]], "actions": [[...]],
// "rowMarks": [[m, n], ...]} with either fixedCells or actions (or neither). The form is chosen by
// the members given: actions -> the free form with actions; rowMarks -> the free form with fixed
// cells and row marks; otherwise the open-workbook form of a CTqExcel opened for writing (or,
// with --show, the free form with fixed cells). With --out the workbook is built new, never on
// the old FILE, and FILE is replaced only by the complete workbook; with --show it is left to the
// show folder (and opened on the desktop) as the library's free forms leave it.
#include "cli.h"
#include "table_input.h"
#include "tool_api.h"

namespace {

using tq::tool::ExcelForm;

void exportExcel(const tqcli::Args& a) {
    const std::string& in = a.required("--in");
    const bool show = a.has("--show");
    const std::string out = show ? std::string() : a.value("--out");
    if (!show && !a.has("--out"))
        throw tqcli::UsageError(a.usage + " (--out is required without --show)");

    tqcli::TableFile file = tqcli::readTableFile(in);
    if (!file.isObject || !file.hasTables) throw tqcli::CommandError(in + ": no \"tables\"");
    if (file.hasFixed && file.hasActions)
        throw tqcli::CommandError("give either \"fixedCells\" or \"actions\"");
    if (file.hasActions && file.hasMarks)
        throw tqcli::CommandError("\"rowMarks\" go with \"fixedCells\"");

    ExcelForm form = show ? ExcelForm::FixedCells : ExcelForm::OpenWorkbook;
    const char* formName = show ? "fixedCells" : "open-workbook";
    if (file.hasActions) {
        form = ExcelForm::Actions;
        formName = "actions";
    } else if (file.hasMarks) {
        form = ExcelForm::FixedCellsAndRowMarks;
        formName = "fixedCells+rowMarks";
    }
    const size_t tables = file.tables.size();
    tq::tool::ExcelExport input{std::move(file.tables), std::move(file.fixedCells),
                                std::move(file.actions), std::move(file.rowMarks)};
    if (!tq::tool::ExportExcel(form, std::move(input), out))
        throw tqcli::CommandError("no spreadsheet server could be started");

    tqcli::JsonOut json;
    json.beginObject();
    if (show)
        json.key("folder").str(tq::tool::ShowFolder());
    else
        json.key("file").str(out);
    json.key("form").str(formName).key("tables").unum(tables).endObject().end();
}

}  // namespace

TQTOOL_COMMAND({"export-excel",
                "export-excel --in TABLES.json (--out FILE.xlsx | --show)",
                {"--show"},
                {"--in", "--out"},
                0,
                0,
                tqcli::Parsing::Options,
                exportExcel});
