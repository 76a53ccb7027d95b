// tqtool ini FILE ACTION ...: reads and writes an INI file through CIniFileNew.
//
//   get SECTION KEY          {"value": "..."}            ("" when missing)
//   set SECTION KEY VALUE    {"ok": true}                (false when nothing could be written)
//   del SECTION [KEY]        {"ok": true}                (the section, or one key of it; false
//                                                         when the file could not be written)
//   sections                 {"sections": ["...", ...]}
//   entries SECTION          {"entries": [{"key": "...", "value": "..."}, ...]}
//   find KEY                 {"found": true, "value": "..."} or {"found": false}
//
// Texts are UTF-8 on the command line and in the output; the file holds GBK.
#include "cli.h"
#include "tqtool/inifile.h"

namespace {

using tqcli::CommandError;
using tqcli::json;
using tqcli::toGbk;
using tqcli::toUtf8;

void need(const std::vector<std::string>& a, size_t min, size_t max, const char* usage) {
    if (a.size() < min || a.size() > max)
        throw CommandError(std::string("usage: tqtool ini FILE ") + usage);
}

void run(const std::vector<std::string>& args) {
    if (args.size() < 2)
        throw CommandError("usage: tqtool ini FILE get|set|del|sections|entries|find ...");
    tq::CIniFileNew ini;
    ini.SetPath(toGbk(args[0]));
    const std::string& action = args[1];
    std::vector<std::string> a(args.begin() + 2, args.end());
    if (action == "get") {
        need(a, 2, 2, "get SECTION KEY");
        tqcli::print({{"value", toUtf8(ini.GetKeyValue(toGbk(a[0]), toGbk(a[1])))}});
    } else if (action == "set") {
        need(a, 3, 3, "set SECTION KEY VALUE");
        tqcli::print({{"ok", ini.SetValue(toGbk(a[0]), toGbk(a[1]), toGbk(a[2]), true)}});
    } else if (action == "del") {
        need(a, 1, 2, "del SECTION [KEY]");
        bool ok =
            a.size() == 1 ? ini.DeleteKey(toGbk(a[0])) : ini.DeleteValue(toGbk(a[0]), toGbk(a[1]));
        tqcli::print({{"ok", ok}});
    } else if (action == "sections") {
        need(a, 0, 0, "sections");
        tq::StringArray names;
        ini.GetAllSections(names);
        tqcli::print({{"sections", tqcli::toJson(names)}});
    } else if (action == "entries") {
        need(a, 1, 1, "entries SECTION");
        tq::StringArray keys, values;
        int n = ini.GetAllKeysAndValues(toGbk(a[0]), keys, values);
        json list = json::array();
        for (int i = 0; i < n; ++i)
            list.push_back({{"key", toUtf8(keys[i])}, {"value", toUtf8(values[i])}});
        tqcli::print({{"entries", list}});
    } else if (action == "find") {
        need(a, 1, 1, "find KEY");
        tq::String value;
        if (ini.GetItemValue(toGbk(a[0]), value))
            tqcli::print({{"found", true}, {"value", toUtf8(value)}});
        else
            tqcli::print({{"found", false}});
    } else {
        throw CommandError("unknown ini action: " + action +
                           " (get, set, del, sections, entries, find)");
    }
}

void setup(CLI::App& app) {
    auto* cmd = app.add_subcommand("ini",
                                   "Read and write an INI file: ini FILE get SECTION KEY | set "
                                   "SECTION KEY VALUE | del SECTION [KEY] | "
                                   "sections | entries SECTION | find KEY");
    // Everything after "ini" is taken as it stands, so values may start with '-'.
    cmd->prefix_command();
    cmd->callback([cmd] { run(cmd->remaining()); });
}

}  // namespace

TQTOOL_COMMAND(setup);
