// tqtool workbook dump FILE       every sheet as JSON: name, kind, used range, cells, merged areas
// tqtool workbook convert IN OUT  converts between .xlsx/.xlsm, .xls and .csv
//
// dump reads the whole workbook first (the only step that can fail on a bad file), then walks it
// sheet by sheet and cell by cell, writing each cell as it is reached: memory stays the workbook
// plus a small buffer, and a failure leaves standard output empty.
#include "cli.h"
#include "tool_api.h"

namespace {

void dump(const tqcli::Args& a) {
    const std::string& file = a.positional[0];
    const tq::tool::WorkbookFile book(file);
    tqcli::JsonOut out;
    out.beginObject().key("date1904").boolean(book.date1904()).key("file").str(file);
    out.key("sheets").beginArray();
    for (size_t i = 0; i < book.sheetCount(); ++i) {
        const tq::tool::DumpSheet s = book.sheet(i);
        out.beginObject().key("cells").beginArray();
        book.forEachCell(i, [&out](const tq::tool::DumpCell& c) {
            out.beginObject().key("col").unum(c.col).key("ref").str(c.ref);
            out.key("row").unum(c.row).key("text").str(c.text).key("type").str(c.type);
            out.endObject();
        });
        out.endArray().key("columns").unum(s.columns).key("kind").str(s.kind);
        out.key("merged").beginArray();
        for (const auto& m : s.merged) out.str(m);
        out.endArray().key("name").str(s.name).key("rows").unum(s.rows);
        out.key("usedRange").str(s.usedRange).endObject();
    }
    out.endArray().endObject().end();
}

void convert(const tqcli::Args& a) {
    const std::string &in = a.positional[0], &to = a.positional[1];
    const tq::tool::WorkbookFile book(in);
    book.saveAs(to);
    tqcli::JsonOut out;
    out.beginObject().key("from").str(in).key("sheets").unum(book.sheetCount()).key("to").str(to);
    out.endObject().end();
}

}  // namespace

TQTOOL_COMMAND(
    {"workbook dump", "workbook dump FILE", {}, {}, 1, 1, tqcli::Parsing::Options, dump});
TQTOOL_COMMAND({"workbook convert",
                "workbook convert IN OUT",
                {},
                {},
                2,
                2,
                tqcli::Parsing::Options,
                convert});
