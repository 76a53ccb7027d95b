// tqtool export-word --in TABLES.json [--out FILE.docx] [--landscape] [--no-merge]: writes titled
// tables into a new document with WordTable (or WordTable2 with --no-merge).
//
// TABLES.json: {"titles": [TITLE, ...], "tables": [TABLE, ...], "actions": [[ACTION, ...], ...]}
// in UTF-8. A TABLE is an array of rows, a row an array of cells (strings; numbers and booleans
// are taken as their JSON text, null as the empty cell). An ACTION is {"type": 0|1|2|"noAction"|
// "unionRow"|"unionCol", "index": I, "sp": S, "ep": E}; missing members are 0. Without "titles"
// every table gets an empty title. With --out the document is saved at FILE; otherwise it is left
// where showing puts it (the show folder). Output: {"result": bool, "file": path}.
#include <fstream>
#include <iterator>

#include "cli.h"
#include "automation/servers.h"
#include "office/document/word_engine.h"
#include "tqtool/export.h"

namespace {

using tqcli::CommandError;
using tqcli::json;

tq::String cellText(const json& cell) {
    if (cell.is_string()) return tqcli::toGbk(cell.get<std::string>());
    if (cell.is_null()) return {};
    return tqcli::toGbk(cell.dump());
}

tq::Table tableFromJson(const json& t) {
    if (!t.is_array()) throw CommandError("a table must be a JSON array of rows");
    tq::Table table;
    for (const auto& row : t) {
        if (!row.is_array()) throw CommandError("a table row must be a JSON array of cells");
        tq::CellRow cells;
        for (const auto& cell : row) cells.push_back(cellText(cell));
        table.push_back(std::move(cells));
    }
    return table;
}

tq::action actionFromJson(const json& j) {
    if (!j.is_object()) throw CommandError("an action must be a JSON object");
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

/// The document the last export added to the running document server, or null.
std::shared_ptr<tq::office::word::Document> lastDocument() {
    tq::automation::CLSID clsid;
    tq::automation::DispatchPtr app;
    if (tq::automation::CLSIDFromProgID("Word.Application", clsid) != tq::hresult::S_OK_ ||
        tq::automation::GetActiveObject(clsid, app) != tq::hresult::S_OK_)
        return nullptr;
    auto docs = tq::office::word::DocumentsOf(app);
    return docs.empty() ? nullptr : docs.back();
}

void setup(CLI::App& app) {
    auto* cmd = app.add_subcommand("export-word",
                                   "Write titled tables into a new .docx document (JSON result)");
    struct Opts {
        std::string in, out;
        bool landscape = false, noMerge = false;
    };
    auto o = std::make_shared<Opts>();
    cmd->add_option("--in", o->in, "Tables file (JSON: titles, tables, actions)")->required();
    cmd->add_option("--out", o->out, "Save the document at this .docx file");
    cmd->add_flag("--landscape", o->landscape, "Turn the pages to landscape");
    cmd->add_flag("--no-merge", o->noMerge, "Merge nothing (WordTable2)");
    cmd->callback([o] {
        std::ifstream f(o->in, std::ios::binary);
        if (!f) throw CommandError("cannot open " + o->in);
        std::string content((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        json doc = json::parse(content, nullptr, false);
        if (doc.is_discarded() || !doc.is_object())
            throw CommandError(o->in + " is not a JSON object");

        tq::TableSet tables;
        if (doc.contains("tables")) {
            if (!doc["tables"].is_array()) throw CommandError("\"tables\" must be an array");
            for (const auto& t : doc["tables"]) tables.push_back(tableFromJson(t));
        }
        std::vector<tq::String> titles;
        if (doc.contains("titles")) {
            if (!doc["titles"].is_array()) throw CommandError("\"titles\" must be an array");
            for (const auto& t : doc["titles"]) titles.push_back(cellText(t));
        } else {
            titles.resize(tables.size());
        }
        std::vector<std::vector<tq::action>> actions;
        if (doc.contains("actions")) {
            if (!doc["actions"].is_array()) throw CommandError("\"actions\" must be an array");
            for (const auto& list : doc["actions"]) {
                if (!list.is_array()) throw CommandError("each action list must be an array");
                std::vector<tq::action> l;
                for (const auto& a : list) l.push_back(actionFromJson(a));
                actions.push_back(std::move(l));
            }
        }
        actions.resize(std::max(actions.size(), titles.size()));

        // With --out the document is saved where asked instead of being shown.
        const bool show = o->out.empty();
        tq::office::word::SetShowOnVisible(show);
        bool result = false;
        try {
            result = o->noMerge ? tq::WordTable2(titles, tables, !o->landscape)
                                : tq::WordTable(titles, tables, actions, !o->landscape);
        } catch (...) {
            tq::office::word::SetShowOnVisible(true);
            throw;
        }
        tq::office::word::SetShowOnVisible(true);

        json out = {{"result", result}};
        auto produced = lastDocument();
        if (produced && !show) {
            tq::office::word::saveDocx(*produced, o->out);
            out["file"] = o->out;
        } else if (produced && !produced->shownFile.empty()) {
            out["file"] = produced->shownFile;
        }
        tqcli::print(out);
        if (!result) tqcli::setExitCode(1);
    });
}

}  // namespace

TQTOOL_COMMAND(setup);
