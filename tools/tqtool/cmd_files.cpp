// tqtool files ...: the path and folder utilities (paths in UTF-8; results printed as JSON).
//   files exist PATH          1 when PATH is a readable file, else 0
//   files isdir PATH          1 when PATH is a folder, else 0
//   files dir PATH [--ext]    {"name": file name, "result": folder with its separator}
//   files curpath             folder of the library's own file
//   files copy SOURCE TARGET  1 when the folder was copied, else 0
//   files clear FOLDER        empties FOLDER (prints {})
//   files hostname            the computer's name
#include "cli.h"
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

void copy(const Args& a) {
    const tq::String source = toGbk(a.positional[0]), target = toGbk(a.positional[1]);
    JsonOut().num(tq::CopyFolder(source.c_str(), target.c_str())).end();
}

void clear(const Args& a) {
    tq::DeleteAllFile(toGbk(a.positional[0]));
    JsonOut().beginObject().endObject().end();
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
