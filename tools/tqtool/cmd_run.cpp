// tqtool run CMDLINE [--wait] [--inherit]: starts a program and prints 1 (started) or 0.
//   without --wait: CmdExec (Cmd with --inherit): CMDLINE is split with the Windows rules and the
//                   program started directly, without waiting;
//   with --wait:    WaitCmdExec: CMDLINE is one file, started or opened, and waited for.
#include "cli.h"
#include "tqtool/fileutil.h"

namespace {

struct RunArgs {
    std::string commandLine;
    bool wait = false, inherit = false;
};

void setup(CLI::App& app) {
    auto args = std::make_shared<RunArgs>();
    auto* cmd = app.add_subcommand("run", "Start a program (prints 1 when started, else 0)");
    cmd->add_option("CMDLINE", args->commandLine, "Command line (or, with --wait, a file)")
        ->required();
    cmd->add_flag("--wait", args->wait, "Open the file and wait until the started process ends");
    cmd->add_flag("--inherit", args->inherit, "Let the program inherit the open files (Cmd)");
    cmd->callback([args] {
        tq::String line = tqcli::toGbk(args->commandLine);
        int result;
        if (args->wait) {
            result = tq::WaitCmdExec(line);
        } else {
            std::vector<char> buffer(line.begin(), line.end());
            buffer.push_back('\0');
            result = args->inherit ? tq::Cmd(buffer.data()) : tq::CmdExec(buffer.data());
        }
        tqcli::print(result);
    });
}

}  // namespace

TQTOOL_COMMAND(setup);
