// tqtool info: what this build of the library is.
#include "cli.h"

namespace {
void setup(CLI::App& app) {
    auto* cmd = app.add_subcommand("info", "Print the library version as JSON");
    cmd->callback([] {
        tqcli::print({{"version", tq::Version()}, {"library", "libtqtool100.so"}});
    });
}
}  // namespace

TQTOOL_COMMAND(setup);
