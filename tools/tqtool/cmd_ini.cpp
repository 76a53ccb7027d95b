// tqtool ini FILE ACTION ...: reads and writes an INI file through CIniFileNew.
//
//   get SECTION KEY          {"value": "..."}            ("" when missing)
//   set SECTION KEY VALUE    {"ok": true}
//   del SECTION [KEY]        {"ok": true}                (the section, or one key of it)
//   A set or delete that could not be written (a name that would not read back as written, a
//   file or folder that cannot be written, a full disk, a special file) is an error: exit code 1.
//   sections                 {"sections": ["...", ...]}
//   entries SECTION          {"entries": [{"key": "...", "value": "..."}, ...]}
//   find KEY                 {"found": true, "value": "..."} or {"found": false}
//
// Texts are UTF-8 on the command line and in the output; the file holds GBK. Every argument is
// taken as it stands, so values may start with '-'.
#include "cli.h"
#include "tqtool/inifile.h"

namespace {

using tqcli::JsonOut;
using tqcli::toGbk;
using tqcli::UsageError;

constexpr const char* kUsage = "ini FILE get|set|del|sections|entries|find ...";

void need(const std::vector<std::string>& a, size_t min, size_t max, const char* usage) {
    if (a.size() < min || a.size() > max)
        throw UsageError(std::string("usage: tqtool ini FILE ") + usage);
}

[[noreturn]] void notWritten(const std::string& file) {
    throw tqcli::CommandError("nothing was written to '" + file +
                              "': a name that would not read back as written, or a file that "
                              "cannot be written (read-only, full disk, not a regular file)");
}

void ini(const tqcli::Args& args) {
    const auto& p = args.positional;
    if (p.size() < 2) throw UsageError(std::string("usage: tqtool ") + kUsage);
    tq::CIniFileNew ini;
    ini.SetPath(toGbk(p[0]));
    const std::string& action = p[1];
    const std::vector<std::string> a(p.begin() + 2, p.end());
    JsonOut out;
    if (action == "get") {
        need(a, 2, 2, "get SECTION KEY");
        const tq::String value = ini.GetKeyValue(toGbk(a[0]), toGbk(a[1]));
        out.beginObject().key("value").gbk(value).endObject();
    } else if (action == "set") {
        need(a, 3, 3, "set SECTION KEY VALUE");
        if (!ini.SetValue(toGbk(a[0]), toGbk(a[1]), toGbk(a[2]), true)) notWritten(p[0]);
        out.beginObject().key("ok").boolean(true).endObject();
    } else if (action == "del") {
        need(a, 1, 2, "del SECTION [KEY]");
        const bool ok =
            a.size() == 1 ? ini.DeleteKey(toGbk(a[0])) : ini.DeleteValue(toGbk(a[0]), toGbk(a[1]));
        if (!ok) notWritten(p[0]);
        out.beginObject().key("ok").boolean(true).endObject();
    } else if (action == "sections") {
        need(a, 0, 0, "sections");
        tq::StringArray names;
        ini.GetAllSections(names);
        out.beginObject().key("sections").gbkArray(names).endObject();
    } else if (action == "entries") {
        need(a, 1, 1, "entries SECTION");
        tq::StringArray keys, values;
        const int n = ini.GetAllKeysAndValues(toGbk(a[0]), keys, values);
        out.beginObject().key("entries").beginArray();
        for (size_t i = 0; i < static_cast<size_t>(n); ++i)
            out.beginObject().key("key").gbk(keys[i]).key("value").gbk(values[i]).endObject();
        out.endArray().endObject();
    } else if (action == "find") {
        need(a, 1, 1, "find KEY");
        tq::String value;
        out.beginObject();
        if (ini.GetItemValue(toGbk(a[0]), value))
            out.key("found").boolean(true).key("value").gbk(value);
        else
            out.key("found").boolean(false);
        out.endObject();
    } else {
        throw UsageError(std::string("usage: tqtool ") + kUsage + " (unknown action " + action +
                         ")");
    }
    out.end();
}

}  // namespace

TQTOOL_COMMAND({"ini", kUsage, {}, {}, 0, SIZE_MAX, tqcli::Parsing::Literal, ini});
