// tqtool files ...: the path and folder utilities (paths in UTF-8; results printed as JSON).
//   files exist PATH          1 when PATH is a readable file, else 0
//   files isdir PATH          1 when PATH is a folder, else 0
//   files dir PATH [--ext]    {"result": folder with its separator, "name": file name}
//   files curpath             folder of the library's own file
//   files copy SOURCE TARGET  1 when the folder was copied, else 0
//   files clear FOLDER        empties FOLDER (prints {})
//   files hostname            the computer's name
#include "cli.h"
#include "tqtool/fileutil.h"

namespace {

using tqcli::json;

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
        tqcli::print(tq::CopyFolder(source.c_str(), target.c_str()));
    });

    auto* clear =
        files->add_subcommand("clear", "Delete everything inside FOLDER (the folder stays)");
    clear->add_option("FOLDER", args->path, "Folder to empty")->required();
    clear->callback([args] {
        tq::DeleteAllFile(tqcli::toGbk(args->path));
        tqcli::print(json::object());
    });

    auto* host = files->add_subcommand("hostname", "The computer's name");
    host->callback([] { tqcli::print(tqcli::toUtf8(tq::GetComputerNameA())); });
}

}  // namespace

TQTOOL_COMMAND(setup);
