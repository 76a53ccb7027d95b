// tqtool export-excel: writes a table set into a workbook with ExcelTable.
//
//   tqtool export-excel --in TABLES.json --out FILE.xlsx [--show]
//
// TABLES.json (UTF-8):
//   {"tables": [[[cell, ...], ...], ...],
//    "fixedCells": [[{"row":0,"col":0,"rowExtent":0,"colExtent":2}, ...], ...],
//    "actions": [[{"type":1,"index":0,"sp":0,"ep":-1}, ...], ...],
//    "rowMarks": [[m, n], ...]}
// with either fixedCells or actions (or neither). The form is chosen by the arguments given:
// actions -> the free form with actions; rowMarks -> the free form with fixed cells and row marks;
// otherwise the open-workbook form of a CTqExcel opened for writing at FILE (or, with --show, the
// free form with fixed cells). Without --show the workbook is saved at FILE; with --show it is
// left to the show folder (and opened on the desktop) as the library's free forms leave it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "automation/servers.h"
#include "office/spreadsheet/excel_engine.h"
#include "tqtool/excel.h"
#include "tqtool/export.h"

namespace {

namespace fs = std::filesystem;
using tqcli::json;

struct ExportOptions {
    std::string in;
    std::string out;
    bool show = false;
};

struct Input {
    tq::TableSet tables;
    std::vector<std::vector<tq::STqFixedCellInfo>> fixedCells;
    std::vector<std::vector<tq::action>> actions;
    std::vector<std::pair<int32_t, int32_t>> rowMarks;
    bool hasFixed = false, hasActions = false, hasMarks = false;
};

int32_t intField(const json& o, const char* key) {
    if (!o.is_object() || !o.contains(key)) return 0;
    const json& v = o.at(key);
    if (!v.is_number_integer())
        throw tqcli::CommandError(std::string("\"") + key + "\" must be an integer");
    return v.get<int32_t>();
}

const json& arrayAt(const json& j, const char* what) {
    if (!j.is_array()) throw tqcli::CommandError(std::string(what) + " must be an array");
    return j;
}

Input parseInput(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw tqcli::CommandError("cannot read " + path);
    std::stringstream buf;
    buf << f.rdbuf();
    json j;
    try {
        j = json::parse(buf.str());
    } catch (const json::exception& e) {
        throw tqcli::CommandError(path + ": " + e.what());
    }
    if (!j.is_object() || !j.contains("tables"))
        throw tqcli::CommandError(path + ": no \"tables\"");

    Input in;
    for (const json& t : arrayAt(j["tables"], "\"tables\"")) {
        tq::Table table;
        for (const json& r : arrayAt(t, "a table")) {
            tq::CellRow row;
            for (const json& c : arrayAt(r, "a row"))
                row.push_back(tqcli::toGbk(c.is_string() ? c.get<std::string>()
                                           : c.is_null() ? ""
                                                         : c.dump()));
            table.push_back(std::move(row));
        }
        in.tables.push_back(std::move(table));
    }
    if (j.contains("fixedCells")) {
        in.hasFixed = true;
        for (const json& list : arrayAt(j["fixedCells"], "\"fixedCells\"")) {
            std::vector<tq::STqFixedCellInfo> cells;
            for (const json& o : arrayAt(list, "a fixedCells list")) {
                tq::STqFixedCellInfo f;
                f.row = intField(o, "row");
                f.col = intField(o, "col");
                f.rowExtent = intField(o, "rowExtent");
                f.colExtent = intField(o, "colExtent");
                cells.push_back(f);
            }
            in.fixedCells.push_back(std::move(cells));
        }
    }
    if (j.contains("actions")) {
        in.hasActions = true;
        for (const json& list : arrayAt(j["actions"], "\"actions\"")) {
            std::vector<tq::action> acts;
            for (const json& o : arrayAt(list, "an actions list"))
                acts.emplace_back(static_cast<tq::actionType>(intField(o, "type")),
                                  intField(o, "index"), intField(o, "sp"), intField(o, "ep"));
            in.actions.push_back(std::move(acts));
        }
    }
    if (j.contains("rowMarks")) {
        in.hasMarks = true;
        for (const json& p : arrayAt(j["rowMarks"], "\"rowMarks\"")) {
            if (!p.is_array() || p.size() != 2 || !p[0].is_number_integer() ||
                !p[1].is_number_integer())
                throw tqcli::CommandError("a row mark must be [row, value]");
            in.rowMarks.emplace_back(p[0].get<int32_t>(), p[1].get<int32_t>());
        }
    }
    if (in.hasFixed && in.hasActions)
        throw tqcli::CommandError("give either \"fixedCells\" or \"actions\"");
    if (in.hasActions && in.hasMarks)
        throw tqcli::CommandError("\"rowMarks\" go with \"fixedCells\"");
    return in;
}

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Runs a free form that leaves its workbook to the show folder, with the show folder pointed at a
// private temporary folder, and moves the one workbook shown there to `out`.
template <class Form>
bool runFreeFormInto(const std::string& out, Form form) {
    std::string tmpl = (fs::temp_directory_path() / "tqtool-export-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw tqcli::CommandError("cannot create a temporary folder");
    const fs::path dir = tmpl;
    bool ok = false;
    try {
        ScopedEnv folder("TQTOOL_OFFICE_DIR", dir.string());
        ScopedEnv noDesktop("TQTOOL_OFFICE_OPEN", "0");
        ok = form();
        if (ok) {
            fs::path shown;
            for (const auto& e : fs::directory_iterator(dir))
                if (e.path().extension() == ".xlsx") shown = e.path();
            if (shown.empty()) throw tqcli::CommandError("the workbook was not written");
            std::error_code ec;
            fs::rename(shown, out, ec);
            if (ec) {
                fs::copy_file(shown, out, fs::copy_options::overwrite_existing);
                fs::remove(shown);
            }
        }
    } catch (...) {
        std::error_code ec;
        fs::remove_all(dir, ec);
        throw;
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ok;
}

void run(const ExportOptions& o) {
    const Input in = parseInput(o.in);
    tq::automation::CoInitialize();  // the free forms expect an initialised thread

    std::string form;
    bool ok = false;
    if (in.hasActions) {
        form = "actions";
        auto call = [&] { return tq::ExcelTable(in.tables, in.actions); };
        ok = o.show ? call() : runFreeFormInto(o.out, call);
    } else if (in.hasMarks) {
        form = "fixedCells+rowMarks";
        auto call = [&] { return tq::ExcelTable(in.tables, in.fixedCells, in.rowMarks); };
        ok = o.show ? call() : runFreeFormInto(o.out, call);
    } else if (o.show) {
        form = "fixedCells";
        ok = tq::ExcelTable(in.tables, in.fixedCells);
    } else {
        form = "open-workbook";
        std::error_code ec;
        fs::remove(o.out, ec);  // a new workbook, not one built on an old file as template
        tq::CTqExcel xl(tqcli::toGbk(o.out));
        ok = xl.open(false);
        if (ok) {
            xl.ExcelTable(in.tables, in.fixedCells);
            xl.save();
            xl.exit();
        }
    }
    if (!ok) throw tqcli::CommandError("no spreadsheet server could be started");

    json result = {{"form", form}, {"tables", in.tables.size()}};
    if (o.show)
        result["folder"] = tq::office::ShowFolder();
    else
        result["file"] = o.out;
    tqcli::print(result);
}

void setup(CLI::App& app) {
    auto opts = std::make_shared<ExportOptions>();
    auto* cmd = app.add_subcommand("export-excel", "Write a table set (JSON) into a workbook");
    cmd->add_option("--in", opts->in, "TABLES.json")->required();
    auto* out = cmd->add_option("--out", opts->out, "The workbook to write (.xlsx)");
    cmd->add_flag("--show", opts->show,
                  "Leave the workbook to the show folder instead of saving it at --out");
    cmd->callback([opts, out] {
        if (!opts->show && out->count() == 0)
            throw tqcli::CommandError("--out is required without --show");
        run(*opts);
    });
}

}  // namespace

TQTOOL_COMMAND(setup);
