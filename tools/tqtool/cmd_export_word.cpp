// tqtool export-word --in TABLES.json [--out FILE.docx] [--landscape] [--no-merge]: writes titled
// tables into a new document with WordTable (or WordTable2 with --no-merge).
//
// TABLES.json (table_input.h): {"titles": [TITLE, ...], "tables": [TABLE, ...], "actions":
// [[ACTION, ...], ...]}. Without "titles" every table gets an empty title; a missing action list
// means no merges. With --out the document is not shown and is saved at FILE when WordTable
// succeeds (FILE stays as it was otherwise); without it the document is left where showing puts it
// (the show folder). Output: {"file": path, "result": bool}, exit code 1 when the result is false
// ("file" only when a document was written).
#include <algorithm>

#include "cli.h"
#include "table_input.h"
#include "tool_api.h"

namespace {

void exportWord(const tqcli::Args& a) {
    const std::string& in = a.required("--in");
    tqcli::TableFile file = tqcli::readTableFile(in);
    if (!file.isObject) throw tqcli::CommandError(in + " is not a JSON object");
    tq::tool::WordExport input;
    input.tables = std::move(file.tables);
    input.titles = std::move(file.titles);
    if (!file.hasTitles) input.titles.resize(input.tables.size());
    input.actions = std::move(file.actions);
    input.actions.resize(std::max(input.actions.size(), input.titles.size()));
    input.portrait = !a.has("--landscape");
    input.merge = !a.has("--no-merge");

    const tq::tool::WordResult r = tq::tool::ExportWord(input, a.value("--out"));
    tqcli::JsonOut out;
    out.beginObject();
    if (!r.file.empty()) out.key("file").str(r.file);
    out.key("result").boolean(r.result).endObject().end();
    if (!r.result) tqcli::setExitCode(1);
}

}  // namespace

TQTOOL_COMMAND({"export-word",
                "export-word --in TABLES.json [--out FILE.docx] [--landscape] [--no-merge]",
                {"--landscape", "--no-merge"},
                {"--in", "--out"},
                0,
                0,
                tqcli::Parsing::Options,
                exportWord});
