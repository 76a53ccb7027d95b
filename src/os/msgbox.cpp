// The message-box primitive: a handler, a zenity dialog, the terminal or one line on standard
// error, whichever applies first.
#include "os/msgbox.h"

#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "os/posix_io.h"
#include "os/process.h"
#include "text/text.h"

namespace tq {

namespace {
std::mutex& handlerMutex() {
    static std::mutex m;
    return m;
}
MessageBoxHandler& handlerSlot() {
    static MessageBoxHandler h;
    return h;
}
}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(handlerMutex());
    MessageBoxHandler old = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return old;
}

namespace os {

namespace {

struct Button {
    const char* label;
    char key;
    int id;
};

std::vector<Button> buttonsFor(unsigned flags) {
    switch (flags & mb::BUTTON_MASK) {
        case mb::OKCANCEL:
            return {{"OK", 'o', mb::IDOK}, {"Cancel", 'c', mb::IDCANCEL}};
        case mb::ABORTRETRYIGNORE:
            return {{"Abort", 'a', mb::IDABORT},
                    {"Retry", 'r', mb::IDRETRY},
                    {"Ignore", 'i', mb::IDIGNORE}};
        case mb::YESNOCANCEL:
            return {{"Yes", 'y', mb::IDYES}, {"No", 'n', mb::IDNO}, {"Cancel", 'c', mb::IDCANCEL}};
        case mb::YESNO:
            return {{"Yes", 'y', mb::IDYES}, {"No", 'n', mb::IDNO}};
        case mb::RETRYCANCEL:
            return {{"Retry", 'r', mb::IDRETRY}, {"Cancel", 'c', mb::IDCANCEL}};
        case mb::OK:
            return {{"OK", 'o', mb::IDOK}};
        default:
            return {};
    }
}

const char* iconWord(unsigned flags) {
    switch (flags & mb::ICON_MASK) {
        case mb::ICONHAND:
            return "Error";
        case mb::ICONQUESTION:
            return "Question";
        case mb::ICONEXCLAMATION:
            return "Warning";
        case mb::ICONINFORMATION:
            return "Information";
        default:
            return nullptr;
    }
}

void writeAll(int fd, const std::string& s) {
    posix::WriteAll(fd, s.data(), s.size());
}

bool envSet(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

std::string boxMode() {
    const char* v = std::getenv("TQTOOL_MSGBOX");
    return v ? text::toLower(v) : std::string();
}

// Button labels of the dialog (UTF-8): OK, Cancel, Yes, No, Abort, Retry, Ignore.
constexpr const char* kLabelOk = "\xe7\xa1\xae\xe5\xae\x9a";
constexpr const char* kLabelCancel = "\xe5\x8f\x96\xe6\xb6\x88";
constexpr const char* kLabelYes = "\xe6\x98\xaf";
constexpr const char* kLabelNo = "\xe5\x90\xa6";
constexpr const char* kLabelAbort = "\xe4\xb8\xad\xe6\xad\xa2";
constexpr const char* kLabelRetry = "\xe9\x87\x8d\xe8\xaf\x95";
constexpr const char* kLabelIgnore = "\xe5\xbf\xbd\xe7\x95\xa5";

const char* iconName(unsigned flags) {
    switch (flags & mb::ICON_MASK) {
        case mb::ICONHAND:
            return "dialog-error";
        case mb::ICONQUESTION:
            return "dialog-question";
        case mb::ICONEXCLAMATION:
            return "dialog-warning";
        case mb::ICONINFORMATION:
            return "dialog-information";
        default:
            return nullptr;
    }
}

// How a zenity dialog maps onto a button set: the dialog's OK button, its Cancel button (also
// what closing the window gives) and an optional extra button.
struct DialogPlan {
    const char* okLabel;
    int okId;
    const char* cancelLabel;  // null: OK-only box
    int cancelId;
    const char* extraLabel;  // null: no extra button
    int extraId;
};

bool dialogPlan(unsigned flags, DialogPlan& plan) {
    switch (flags & mb::BUTTON_MASK) {
        case mb::OK:
            plan = {kLabelOk, mb::IDOK, nullptr, mb::IDOK, nullptr, 0};
            return true;
        case mb::OKCANCEL:
            plan = {kLabelOk, mb::IDOK, kLabelCancel, mb::IDCANCEL, nullptr, 0};
            return true;
        case mb::YESNO:
            plan = {kLabelYes, mb::IDYES, kLabelNo, mb::IDNO, nullptr, 0};
            return true;
        case mb::RETRYCANCEL:
            plan = {kLabelRetry, mb::IDRETRY, kLabelCancel, mb::IDCANCEL, nullptr, 0};
            return true;
        case mb::YESNOCANCEL:
            plan = {kLabelYes, mb::IDYES, kLabelCancel, mb::IDCANCEL, kLabelNo, mb::IDNO};
            return true;
        case mb::ABORTRETRYIGNORE:
            plan = {kLabelRetry, mb::IDRETRY, kLabelAbort, mb::IDABORT, kLabelIgnore, mb::IDIGNORE};
            return true;
        default:
            return false;
    }
}

}  // namespace

String DefaultCaption() {
    const char* name = program_invocation_short_name;
    return text::pathFromOs(name && *name ? name : "tqtool");
}

bool DialogMessageBox(const String& textGbk, const String& captionGbk, unsigned flags,
                      int& result) {
    DialogPlan plan;
    if (!dialogPlan(flags, plan)) return false;
    const char* icon = iconName(flags);
    std::vector<std::string> argv{"zenity"};
    if (!plan.cancelLabel) {
        // OK only: the message dialog of the icon's kind.
        switch (flags & mb::ICON_MASK) {
            case mb::ICONHAND:
                argv.push_back("--error");
                break;
            case mb::ICONEXCLAMATION:
                argv.push_back("--warning");
                break;
            default:
                argv.push_back("--info");
                break;
        }
    } else {
        argv.push_back("--question");
        argv.push_back(std::string("--cancel-label=") + plan.cancelLabel);
        if (plan.extraLabel) argv.push_back(std::string("--extra-button=") + plan.extraLabel);
    }
    argv.push_back(std::string("--ok-label=") + plan.okLabel);
    if (icon) argv.push_back(std::string("--icon-name=") + icon);
    argv.push_back("--title=" + text::gbkToUtf8(captionGbk));
    argv.push_back("--text=" + text::gbkToUtf8(textGbk));
    argv.push_back("--no-markup");

    std::string out, err;
    int status = 0;
    if (!RunCapture(argv, out, err, status)) return false;
    // Without a reachable display the toolkit gives up with the same code as Cancel.
    if (err.find("cannot open display") != std::string::npos) return false;
    switch (status) {
        case 0:
            result = plan.okId;
            return true;
        case 1:
        case 5: {  // a button other than OK, the window closed, or a time-out
            std::string answer = text::trim(out);
            result = plan.extraLabel && answer == plan.extraLabel ? plan.extraId : plan.cancelId;
            return true;
        }
        default:
            return false;
    }
}

int TerminalMessageBox(const String& textGbk, const String& captionGbk, unsigned flags) {
    std::vector<Button> buttons = buttonsFor(flags);
    if (buttons.empty()) return 0;
    std::string out = "\n[" + text::gbkToUtf8(captionGbk) + "]";
    if (const char* icon = iconWord(flags)) out += std::string(" (") + icon + ")";
    out += "\n" + text::gbkToUtf8(textGbk) + "\n";
    std::string prompt;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (i) prompt += "  ";
        prompt += std::string("[") + buttons[i].key + "] " + buttons[i].label;
    }
    writeAll(STDERR_FILENO, out);
    for (int attempt = 0; attempt < 10; ++attempt) {
        writeAll(STDERR_FILENO, prompt + (buttons.size() == 1 ? " (Enter): " : ": "));
        std::string line;
        char c;
        ssize_t n;
        while ((n = ::read(STDIN_FILENO, &c, 1)) == 1 && c != '\n') line += c;
        if (n <= 0 && line.empty()) return 0;  // end of input: the box could not be answered
        std::string answer = text::trim(line);
        if (answer.empty() && buttons.size() == 1) return buttons[0].id;
        for (const Button& b : buttons) {
            if (!answer.empty() &&
                (text::toLowerAscii(answer[0]) == b.key || text::equalsNoCase(answer, b.label)))
                return b.id;
        }
    }
    return 0;
}

int MessageBoxA(WindowHandle owner, const String& text, const String& caption, unsigned flags) {
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(handlerMutex());
        handler = handlerSlot();
    }
    if (handler) return handler(text, caption, flags, owner);
    if (buttonsFor(flags).empty()) return 0;
    const std::string mode = boxMode();
    if (mode != "nogui" && mode != "stderr" && (envSet("DISPLAY") || envSet("WAYLAND_DISPLAY"))) {
        int result = 0;
        if (DialogMessageBox(text, caption, flags, result)) return result;
    }
    if (mode != "stderr" && ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO))
        return TerminalMessageBox(text, caption, flags);
    writeAll(STDERR_FILENO, "[" + text::gbkToUtf8(caption) + "] " + text::gbkToUtf8(text) + "\n");
    return (flags & mb::BUTTON_MASK) == mb::OK ? mb::IDOK : 0;
}

int AfxMessageBox(const String& text, unsigned flags) {
    return MessageBoxA(nullptr, text, DefaultCaption(), flags);
}

}  // namespace os
}  // namespace tq
