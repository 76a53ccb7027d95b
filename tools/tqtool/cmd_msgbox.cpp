// tqtool msgbox TEXT [--kind i|?|!|x] [--buttons 1-6] [--caption C] [--type FLAGS]
// Shows one of the suite's message boxes and prints the identifier of the pressed button
// (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No; 0 when nothing was shown).
// Without --type the box is TQMessageBox(TEXT, kind, buttons, caption); with --type it is
// TqMessageBox(TEXT, FLAGS, caption, no owner).
#include <cstdint>

#include "cli.h"
#include "tqtool/alert.h"

namespace {

void msgbox(const tqcli::Args& a) {
    const tq::String text = tqcli::toGbk(a.positional[0]);
    const tq::String caption = tqcli::toGbk(a.value("--caption"));
    tqcli::JsonOut out;
    if (a.has("--type")) {
        const auto flags = static_cast<unsigned>(a.integer("--type", 0, 0, UINT32_MAX));
        out.num(tq::TqMessageBox(text, flags, caption, nullptr)).end();
        return;
    }
    const std::string kind = a.value("--kind", "i");
    if (kind.size() != 1)
        throw tqcli::UsageError("usage: --kind takes one character (i ? ! x), not '" + kind + "'");
    const auto buttons = static_cast<int>(a.integer("--buttons", 1, INT32_MIN, INT32_MAX));
    out.num(tq::TQMessageBox(text, kind[0], buttons, caption)).end();
}

}  // namespace

TQTOOL_COMMAND({"msgbox",
                "msgbox TEXT [--kind i|?|!|x] [--buttons 1-6] [--caption C] [--type FLAGS]",
                {},
                {"--kind", "--buttons", "--caption", "--type"},
                1,
                1,
                tqcli::Parsing::Options,
                msgbox});
