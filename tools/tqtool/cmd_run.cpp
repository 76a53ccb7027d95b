// tqtool run CMDLINE [--wait] [--inherit]: starts a program and prints 1 (started) or 0.
//   without --wait: CmdExec (Cmd with --inherit): CMDLINE is split with the Windows rules and the
//                   program started directly, without waiting;
//   with --wait:    WaitCmdExec: CMDLINE is one file, started or opened, and waited for.
#include "cli.h"
#include "tqtool/fileutil.h"

namespace {

void run(const tqcli::Args& a) {
    tq::String line = tqcli::toGbk(a.positional[0]);
    int result;
    if (a.has("--wait")) {
        result = tq::WaitCmdExec(line);
    } else {
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        result = a.has("--inherit") ? tq::Cmd(buffer.data()) : tq::CmdExec(buffer.data());
    }
    tqcli::JsonOut out;
    out.num(result).end();
}

}  // namespace

TQTOOL_COMMAND({"run",
                "run CMDLINE [--wait] [--inherit]",
                {"--wait", "--inherit"},
                {},
                1,
                1,
                tqcli::Parsing::Options,
                run});
