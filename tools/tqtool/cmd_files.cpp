// tqtool files ...: the path and folder utilities (paths in UTF-8; results printed as JSON).
//   files exist PATH          1 when PATH is a readable file, else 0
//   files isdir PATH          1 when PATH is a folder, else 0
//   files dir PATH [--ext]    {"result": folder with its separator, "name": file name}
//   files curpath             folder of the library's own file
//   files copy SOURCE TARGET  1 when the whole folder was copied; otherwise exit code 1 and
//                             {"error": why, "left": [entries not copied ...]}
//   files clear FOLDER        empties FOLDER and prints {}; when anything was left or the folder
//                             refused: exit code 1 and {"error": why, "left": [entries ...]}
//   files hostname            the computer's name
#include "cli.h"
#include "tqtool/fileutil.h"
#include "util/fileutil_result.h"

namespace {

using tqcli::json;

// Prints what a folder operation left undone (paths as the file system has them, UTF-8).
void printLeft(const tq::os::TreeResult& r) {
    tqcli::print({{"error", r.error}, {"left", r.left}});
    tqcli::setExitCode(1);
}

struct FilesArgs {
    std::string path, target;
    bool withExtension = false;
};

void setup(CLI::App& app) {
    auto* files = app.add_subcommand("files", "File and folder utilities (prints JSON)");
    files->require_subcommand(1);
    auto args = std::make_shared<FilesArgs>();

    auto* exist = files->add_subcommand("exist", "1 when PATH names a readable file, else 0");
    exist->add_option("PATH", args->path, "File path")->required();
    exist->callback([args] { tqcli::print(tq::IsFileExist(tqcli::toGbk(args->path))); });

    auto* isdir = files->add_subcommand("isdir", "1 when PATH names a folder, else 0");
    isdir->add_option("PATH", args->path, "Folder path")->required();
    isdir->callback([args] { tqcli::print(tq::IsDirectory(tqcli::toGbk(args->path))); });

    auto* dir = files->add_subcommand("dir", "Folder and name of an existing file");
    dir->add_option("PATH", args->path, "File path")->required();
    dir->add_flag("--ext", args->withExtension, "Keep the extension in the name");
    dir->callback([args] {
        tq::String name;
        tq::String folder = tq::GetFileDir(tqcli::toGbk(args->path), name, args->withExtension);
        tqcli::print({{"result", tqcli::toUtf8(folder)}, {"name", tqcli::toUtf8(name)}});
    });

    auto* cur = files->add_subcommand("curpath", "Folder of the library's own file");
    cur->callback([] { tqcli::print(tqcli::toUtf8(tq::GetCurPath())); });

    auto* copy = files->add_subcommand("copy", "Copy a folder recursively (1 on success)");
    copy->add_option("SOURCE", args->path, "Folder to copy")->required();
    copy->add_option("TARGET", args->target, "Existing folder to copy into, or the new folder")
        ->required();
    copy->callback([args] {
        tq::String source = tqcli::toGbk(args->path), target = tqcli::toGbk(args->target);
        tq::os::TreeResult r = tq::CopyFolderResult(source.c_str(), target.c_str());
        r.ok() ? tqcli::print(1) : printLeft(r);
    });

    auto* clear =
        files->add_subcommand("clear", "Delete everything inside FOLDER (the folder stays)");
    clear->add_option("FOLDER", args->path, "Folder to empty")->required();
    clear->callback([args] {
        tq::os::TreeResult r = tq::DeleteAllFileResult(tqcli::toGbk(args->path));
        r.ok() ? tqcli::print(json::object()) : printLeft(r);
    });

    auto* host = files->add_subcommand("hostname", "The computer's name");
    host->callback([] { tqcli::print(tqcli::toUtf8(tq::GetComputerNameA())); });
}

}  // namespace

TQTOOL_COMMAND(setup);
