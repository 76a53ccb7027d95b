// tqtool tree FILE: reads a tree description file (GBK) and prints
// {"result": 1|0, "names": [...], "levels": [...], "keys": [...]} (texts in UTF-8).
#include "cli.h"
#include "tqtool/treeutil.h"

namespace {

void setup(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("tree", "Print the items of a tree description file as JSON");
    cmd->add_option("FILE", *path, "Tree description file")->required();
    cmd->callback([path] {
        tq::StringArray names, keys;
        tq::UIntArray levels;
        int result = tq::GetTreeItemArray(tqcli::toGbk(*path), names, levels, keys);
        tqcli::print({{"result", result},
                      {"names", tqcli::toJson(names)},
                      {"levels", levels},
                      {"keys", tqcli::toJson(keys)}});
    });
}

}  // namespace

TQTOOL_COMMAND(setup);
