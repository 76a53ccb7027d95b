// The suite's standard message boxes (Alert, TQMessageBox ...) over the message-box primitive.
#include "tqtool/alert.h"

#include "os/msgbox.h"
#include "tqtool/messagebox.h"
#include "tqtool/numutil.h"
#include "text/text.h"

namespace tq {

namespace {

// "青衡提示": caption of the plain information box.
constexpr const char* kNoticeCaption = "\xc7\xe0\xba\xe2\xcc\xe1\xca\xbe";
// "青衡软件": default caption of the kind-and-buttons box.
constexpr const char* kSuiteCaption = "\xc7\xe0\xba\xe2\xc8\xed\xbc\xfe";

constexpr unsigned kInfoFlags = mb::TASKMODAL | mb::ICONINFORMATION;  // 0x2040

// Flags of the kind-and-buttons box: the icon of the kind, the button set of the code, task-modal.
unsigned iconOfKind(char kind) {
    switch (kind) {
        case '!':
            return mb::ICONEXCLAMATION;
        case '?':
            return mb::ICONQUESTION;
        case 'x':
            return mb::ICONHAND;
        case 'i':
            return mb::ICONINFORMATION;
        default:
            return 0;
    }
}

unsigned buttonSetOfCode(int buttons) {
    switch (buttons) {
        case 1:
            return mb::OK;
        case 2:
            return mb::OKCANCEL;
        case 3:
            return mb::RETRYCANCEL;
        case 4:
            return mb::ABORTRETRYIGNORE;
        case 5:
            return mb::YESNO;
        case 6:
            return mb::YESNOCANCEL;
        default:
            return 0;
    }
}

void show(const String& text) {
    os::AfxMessageBox(text, mb::TASKMODAL);
}

}  // namespace

int TqMessageBox(const String& text, WindowHandle owner) {
    return os::MessageBoxA(owner, text, kNoticeCaption, kInfoFlags);
}

int TqMessageBox(const String& text, unsigned int type, const String& caption, WindowHandle owner) {
    return os::MessageBoxA(owner, text, caption, type | kInfoFlags);
}

int TqMessageBox(const String& text, WindowHandle owner, unsigned int type, const String& caption) {
    return TqMessageBox(text, type, caption, owner);
}

int TQMessageBox(const String& text, char kind, int buttons, const String& caption) {
    const String shownCaption = caption.empty() ? String(kSuiteCaption) : caption;
    const unsigned icon = iconOfKind(kind);
    if (icon == 0 || buttons < 1 || buttons > 6) return 0;
    return os::MessageBoxA(nullptr, text, shownCaption,
                                 mb::TASKMODAL | icon | buttonSetOfCode(buttons));
}

void Alert(int number) {
    show(text::format("%d", number));
}

void Alert(int number, const String& label) {
    show(label + "=" + text::format("%d", number));
}

void Alert(double number, int digits) {
    show(Dbl2Str(number, digits));
}

void Alert(double number, const String& label, int digits) {
    show(label + " = " + Dbl2Str(number, digits));
}

}  // namespace tq
