#include "platform/msgbox.h"

#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "util/text.h"

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

namespace platform {

namespace {

struct Button {
    const char* label;
    char key;
    int id;
};

std::vector<Button> buttonsFor(unsigned flags) {
    switch (flags & mb::BUTTON_MASK) {
        case mb::OKCANCEL: return {{"OK", 'o', mb::IDOK}, {"Cancel", 'c', mb::IDCANCEL}};
        case mb::ABORTRETRYIGNORE:
            return {{"Abort", 'a', mb::IDABORT}, {"Retry", 'r', mb::IDRETRY}, {"Ignore", 'i', mb::IDIGNORE}};
        case mb::YESNOCANCEL:
            return {{"Yes", 'y', mb::IDYES}, {"No", 'n', mb::IDNO}, {"Cancel", 'c', mb::IDCANCEL}};
        case mb::YESNO: return {{"Yes", 'y', mb::IDYES}, {"No", 'n', mb::IDNO}};
        case mb::RETRYCANCEL: return {{"Retry", 'r', mb::IDRETRY}, {"Cancel", 'c', mb::IDCANCEL}};
        case mb::OK: return {{"OK", 'o', mb::IDOK}};
        default: return {};
    }
}

const char* iconWord(unsigned flags) {
    switch (flags & mb::ICON_MASK) {
        case mb::ICONHAND: return "Error";
        case mb::ICONQUESTION: return "Question";
        case mb::ICONEXCLAMATION: return "Warning";
        case mb::ICONINFORMATION: return "Information";
        default: return nullptr;
    }
}

void writeAll(int fd, const std::string& s) {
    size_t off = 0;
    while (off < s.size()) {
        ssize_t n = ::write(fd, s.data() + off, s.size() - off);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        off += static_cast<size_t>(n);
    }
}

}  // namespace

String DefaultCaption() {
    const char* name = program_invocation_short_name;
    return text::pathFromOs(name && *name ? name : "tqtool");
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
            if (!answer.empty() && (text::toLowerAscii(answer[0]) == b.key ||
                                    text::equalsNoCase(answer, b.label)))
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
    if (::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO))
        return TerminalMessageBox(text, caption, flags);
    writeAll(STDERR_FILENO, "[" + text::gbkToUtf8(caption) + "] " + text::gbkToUtf8(text) + "\n");
    return (flags & mb::BUTTON_MASK) == mb::OK ? mb::IDOK : 0;
}

int AfxMessageBox(const String& text, unsigned flags) {
    return MessageBoxA(nullptr, text, DefaultCaption(), flags);
}

}  // namespace platform
}  // namespace tq
