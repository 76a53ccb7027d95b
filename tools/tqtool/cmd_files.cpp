// tqtool files ...: the path and folder utilities (paths in UTF-8; results printed as JSON).
//   files exist PATH          1 when PATH is a readable file, else 0
//   files isdir PATH          1 when PATH is a folder, else 0
//   files dir PATH [--ext]    {"name": file name, "result": folder with its separator}
//   files curpath             folder of the library's own file
//   files copy SOURCE TARGET  1 when the whole folder was copied; otherwise exit code 1 and
//                             {"error": why, "left": [entries not copied ...]} on standard error
//   files clear FOLDER        empties FOLDER and prints {}; when anything was left or the folder
//                             refused: exit code 1 and {"error": why, "left": [entries ...]} on
//                             standard error
//   files hostname            the computer's name
#include "cli.h"
#include "tool_api.h"
#include "tqtool/fileutil.h"

namespace {

using tqcli::Args;
using tqcli::JsonOut;
using tqcli::Parsing;
using tqcli::toGbk;

void exist(const Args& a) {
    JsonOut().num(tq::IsFileExist(toGbk(a.positional[0]))).end();
}

void isdir(const Args& a) {
    JsonOut().num(tq::IsDirectory(toGbk(a.positional[0]))).end();
}

void dir(const Args& a) {
    tq::String name;
    const tq::String folder = tq::GetFileDir(toGbk(a.positional[0]), name, a.has("--ext"));
    JsonOut out;
    out.beginObject().key("name").gbk(name).key("result").gbk(folder).endObject().end();
}

void curpath(const Args&) {
    JsonOut().gbk(tq::GetCurPath()).end();
}

// Reports what a folder operation left undone (paths as the file system has them) on standard
// error, with exit code 1.
void printLeft(const tq::tool::FolderResult& r) {
    JsonOut err(stderr);
    err.beginObject().key("error").str(r.error).key("left").beginArray();
    for (const std::string& p : r.left) err.str(p);
    err.endArray().endObject().end();
    tqcli::setExitCode(1);
}

void copy(const Args& a) {
    const tq::tool::FolderResult r =
        tq::tool::CopyFolderReport(toGbk(a.positional[0]), toGbk(a.positional[1]));
    if (r.ok)
        JsonOut().num(1).end();
    else
        printLeft(r);
}

void clear(const Args& a) {
    const tq::tool::FolderResult r = tq::tool::EmptyFolderReport(toGbk(a.positional[0]));
    if (r.ok)
        JsonOut().beginObject().endObject().end();
    else
        printLeft(r);
}

void hostname(const Args&) {
    JsonOut().gbk(tq::GetComputerNameA()).end();
}

}  // namespace

TQTOOL_COMMAND({"files exist", "files exist PATH", {}, {}, 1, 1, Parsing::Options, exist});
TQTOOL_COMMAND({"files isdir", "files isdir PATH", {}, {}, 1, 1, Parsing::Options, isdir});
TQTOOL_COMMAND({"files dir", "files dir PATH [--ext]", {"--ext"}, {}, 1, 1, Parsing::Options, dir});
TQTOOL_COMMAND({"files curpath", "files curpath", {}, {}, 0, 0, Parsing::Options, curpath});
TQTOOL_COMMAND({"files copy", "files copy SOURCE TARGET", {}, {}, 2, 2, Parsing::Options, copy});
TQTOOL_COMMAND({"files clear", "files clear FOLDER", {}, {}, 1, 1, Parsing::Options, clear});
TQTOOL_COMMAND({"files hostname", "files hostname", {}, {}, 0, 0, Parsing::Options, hostname});
