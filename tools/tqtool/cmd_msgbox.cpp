// tqtool msgbox TEXT [--kind i|?|!|x] [--buttons 1-6] [--caption C] [--type FLAGS]
// Shows one of the suite's message boxes and prints the identifier of the pressed button
// (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No; 0 when nothing was shown).
// Without --type the box is TQMessageBox(TEXT, kind, buttons, caption); with --type it is
// TqMessageBox(TEXT, FLAGS, caption, no owner).
#include "cli.h"
#include "tqtool/alert.h"

namespace {

struct MsgArgs {
    std::string text, kind = "i", caption;
    int buttons = 1;
    unsigned type = 0;
};

void setup(CLI::App& app) {
    auto args = std::make_shared<MsgArgs>();
    auto* cmd =
        app.add_subcommand("msgbox", "Show a message box and print the pressed button's id");
    cmd->add_option("TEXT", args->text, "Text of the box")->required();
    cmd->add_option("--kind", args->kind, "Icon: i information, ? question, ! exclamation, x stop");
    cmd->add_option(
        "--buttons", args->buttons,
        "1 OK, 2 OK/Cancel, 3 Retry/Cancel, 4 Abort/Retry/Ignore, 5 Yes/No, 6 Yes/No/Cancel");
    cmd->add_option("--caption", args->caption, "Caption (default: the suite's caption)");
    auto* type = cmd->add_option("--type", args->type, "Message-box style flags for TqMessageBox");
    cmd->callback([args, type] {
        tq::String text = tqcli::toGbk(args->text), caption = tqcli::toGbk(args->caption);
        if (type->count() > 0) {
            tqcli::print(tq::TqMessageBox(text, args->type, caption, nullptr));
            return;
        }
        if (args->kind.size() != 1)
            throw tqcli::CommandError("--kind must be one character: " + args->kind);
        tqcli::print(tq::TQMessageBox(text, args->kind[0], args->buttons, caption));
    });
}

}  // namespace

TQTOOL_COMMAND(setup);
