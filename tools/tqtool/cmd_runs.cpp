// tqtool runs --in TABLE.json --action ACTION_JSON [--table K]: the runs of equal cell texts that
// the document exporter merges for one action.
//
// TABLE.json holds {"tables": [TABLE, ...]} (table K, default 0, is used), {"table": TABLE} or a
// bare TABLE (table_input.h). Output: {"action": "<toStr of the action>", "runs": [[start, stop],
// ...]}.
#include <cstdint>

#include "cli.h"
#include "table_input.h"
#include "tool_api.h"

namespace {

void runs(const tqcli::Args& a) {
    const std::string& in = a.required("--in");
    const int64_t k = a.integer("--table", 0, INT32_MIN, INT32_MAX);
    const tq::action act = tqcli::parseAction(a.required("--action"), "--action");
    const tqcli::TableFile file = tqcli::readTableFile(in);
    const tq::Table* table = nullptr;
    if (!file.isObject) {
        table = &file.tables.front();
    } else if (file.hasTables) {
        if (k < 0 || static_cast<uint64_t>(k) >= file.tables.size())
            throw tqcli::CommandError("no table " + std::to_string(k) + " in " + in);
        table = &file.tables[static_cast<size_t>(k)];
    } else if (file.hasTable) {
        table = &file.table;
    } else {
        throw tqcli::CommandError(in + ": no \"tables\" or \"table\"");
    }
    tqcli::JsonOut out;
    out.beginObject().key("action").gbk(act.toStr()).key("runs").beginArray();
    for (const auto& [start, stop] : tq::tool::EqualRuns(*table, act))
        out.beginArray().num(start).num(stop).endArray();
    out.endArray().endObject().end();
}

}  // namespace

TQTOOL_COMMAND({"runs",
                "runs --in TABLE.json --action ACTION_JSON [--table K]",
                {},
                {"--in", "--action", "--table"},
                0,
                0,
                tqcli::Parsing::Options,
                runs});
