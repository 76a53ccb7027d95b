// tqtool scale ALIAS: the scale text of a map-scale alias ("1:2000"; "" when it is none).
#include "cli.h"
#include "tqtool/treeutil.h"

namespace {

void setup(CLI::App& app) {
    auto alias = std::make_shared<std::string>();
    auto* cmd = app.add_subcommand("scale", "Print the scale text of a map-scale alias");
    cmd->add_option("ALIAS", *alias, "Alias such as TQGIS_XZ2000 or TQGIS_XZ500:\\")->required();
    cmd->callback(
        [alias] { tqcli::print(tqcli::toUtf8(tq::GetScaFromAlias(tqcli::toGbk(*alias)))); });
}

}  // namespace

TQTOOL_COMMAND(setup);
