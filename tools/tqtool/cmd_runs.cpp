// tqtool runs --in TABLE.json --action ACTION_JSON [--table K]: the runs of equal cell texts that
// the document exporter merges for one action.
//
// TABLE.json holds {"tables": [TABLE, ...]} (table K, default 0, is used), {"table": TABLE} or a
// bare TABLE, where TABLE is an array of rows and a row an array of cells (strings; numbers and
// booleans are taken as their JSON text, null as the empty cell). ACTION_JSON is an object
// {"type": 1|2|"unionRow"|"unionCol", "index": I, "sp": S, "ep": E}; missing members are 0.
// Output: {"action": "<toStr of the action>", "runs": [[start, stop], ...]}.
#include <fstream>
#include <iterator>

#include "cli.h"
#include "export/runs.h"
#include "tqtool/table.h"

namespace {

using tqcli::CommandError;
using tqcli::json;

tq::Table tableFromJson(const json& t) {
    if (!t.is_array()) throw CommandError("a table must be a JSON array of rows");
    tq::Table table;
    for (const auto& row : t) {
        if (!row.is_array()) throw CommandError("a table row must be a JSON array of cells");
        tq::CellRow cells;
        for (const auto& cell : row) {
            if (cell.is_string())
                cells.push_back(tqcli::toGbk(cell.get<std::string>()));
            else if (cell.is_null())
                cells.emplace_back();
            else
                cells.push_back(tqcli::toGbk(cell.dump()));
        }
        table.push_back(std::move(cells));
    }
    return table;
}

tq::action actionFromJson(const std::string& text) {
    json j = json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object())
        throw CommandError("--action is not a JSON object: " + text);
    int type = 0;
    if (j.contains("type") && j["type"].is_string()) {
        std::string name = j["type"].get<std::string>();
        if (name == "unionRow")
            type = tq::unionRow;
        else if (name == "unionCol")
            type = tq::unionCol;
        else if (name == "noAction")
            type = tq::noAction;
        else
            throw CommandError("unknown action type " + name);
    } else {
        type = j.value("type", 0);
    }
    return tq::action(static_cast<tq::actionType>(type), j.value("index", 0), j.value("sp", 0),
                      j.value("ep", 0));
}

void setup(CLI::App& app) {
    auto* cmd =
        app.add_subcommand("runs", "Print the runs of equal texts along an action's span (JSON)");
    struct Opts {
        std::string in, action;
        int table = 0;
    };
    auto o = std::make_shared<Opts>();
    cmd->add_option("--in", o->in, "Table file (JSON)")->required();
    cmd->add_option("--action", o->action,
                    "Action as JSON, e.g. {\"type\":2,\"index\":0,\"sp\":0,\"ep\":-1}")
        ->required();
    cmd->add_option("--table", o->table,
                    "Index of the table in a {\"tables\": [...]} file (default 0)");
    cmd->callback([o] {
        std::ifstream f(o->in, std::ios::binary);
        if (!f) throw CommandError("cannot open " + o->in);
        std::string content((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        json doc = json::parse(content, nullptr, false);
        if (doc.is_discarded()) throw CommandError(o->in + " is not valid JSON");
        json t;
        if (doc.is_object() && doc.contains("tables")) {
            const json& tables = doc["tables"];
            if (!tables.is_array() || o->table < 0 ||
                static_cast<size_t>(o->table) >= tables.size())
                throw CommandError("no table " + std::to_string(o->table) + " in " + o->in);
            t = tables[static_cast<size_t>(o->table)];
        } else if (doc.is_object() && doc.contains("table")) {
            t = doc["table"];
        } else {
            t = doc;
        }
        tq::Table table = tableFromJson(t);
        tq::action act = actionFromJson(o->action);
        json runs = json::array();
        for (const auto& [start, stop] : tq::findEqualRuns(table, act))
            runs.push_back({start, stop});
        tqcli::print({{"action", tqcli::toUtf8(act.toStr())}, {"runs", runs}});
    });
}

}  // namespace

TQTOOL_COMMAND(setup);
