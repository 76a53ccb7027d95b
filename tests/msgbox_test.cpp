// Message boxes: the suite's boxes and value alerts through an installed handler, and the
// primitive beneath them: handler first, then a zenity dialog when a display is present, then the
// terminal, then one line on standard error.
#include "os/msgbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/golden.h"
#include "support/os_support.h"
#include "tqtool/alert.h"
#include "tqtool/messagebox.h"

using namespace ostest;
namespace mb = tq::mb;
using Strings = std::vector<std::string>;

namespace {

const std::string kNotice = "\xc7\xe0\xba\xe2\xcc\xe1\xca\xbe";  // 青衡提示
const std::string kSuite = "\xc7\xe0\xba\xe2\xc8\xed\xbc\xfe";   // 青衡软件
const std::string kFan = "\xb5\x5c";                             // 礬 (trail byte '\')
const std::string kCaptionUtf8 = "\xe9\x9d\x92\xe8\xa1\xa1\xe6\x8f\x90\xe7\xa4\xba";
int owner = 0;

// Records every box as "text|caption|flags" (plus "|owner" when it has ours) and answers with
// `answer`.
struct Capture {
    Strings boxes;
    int answer = tq::mb::IDOK;
    tq::MessageBoxHandler previous =
        tq::SetMessageBoxHandler([this](const tq::String& text, const tq::String& caption,
                                        unsigned flags, tq::WindowHandle w) {
            boxes.push_back(text + "|" + caption + "|" + std::to_string(flags) +
                            (w == &owner ? "|owner"
                             : w         ? "|other"
                                         : ""));
            return answer;
        });
    ~Capture() { tq::SetMessageBoxHandler(previous); }
};

// Standard input from /dev/null for the scope: no terminal to ask.
struct NoTerminal {
    int saved = ::dup(STDIN_FILENO), null = ::open("/dev/null", O_RDONLY);
    NoTerminal() { ::dup2(null, STDIN_FILENO), ::close(null); }
    ~NoTerminal() { ::dup2(saved, STDIN_FILENO), ::close(saved); }
};

// A zenity stand-in on PATH under a made-up display: records its arguments (one per line) and
// answers with the exit code, standard output and standard error the test asks for.
class FakeDesktop {
  public:
    FakeDesktop()
        : path_("PATH", (tmp_.path() + ":/usr/bin:/bin").c_str()),
          display_("DISPLAY", ":93"),
          wayland_("WAYLAND_DISPLAY", nullptr),
          mode_("TQTOOL_MSGBOX", nullptr),
          log_("FAKE_ZENITY_LOG", tmp_.file("log").c_str()) {
        writeScript(tmp_.file("zenity"),
                    "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > "
                    "\"$FAKE_ZENITY_LOG\"\n[ -n \"$OUT\" ] && echo \"$OUT\"\n"
                    "[ -n \"$ERR\" ] && echo \"$ERR\" >&2\nexit ${CODE:-0}\n");
    }
    // Shows a box answered with `code`, `out` and `err`; returns the primitive's result.
    int box(unsigned flags, int code, const std::string& out = "", const std::string& err = "",
            const std::string& text = "text") {
        std::filesystem::remove(tmp_.file("log"));
        ScopedEnv e1("CODE", std::to_string(code).c_str()), e2("OUT", out.c_str()),
            e3("ERR", err.c_str());
        return tq::os::MessageBoxA(nullptr, text, kNotice, flags);
    }
    // The arguments of the last run, one per line; empty when zenity was not run.
    std::string args() const { return readFile(tmp_.file("log")).value_or(""); }
    void uninstall() { std::filesystem::remove(tmp_.file("zenity")); }

  private:
    TempDir tmp_;
    ScopedEnv path_, display_, wayland_, mode_, log_;
};

}  // namespace

TEST(TqMessageBox, NoticeCaptionAndTheInformationIconAlways) {
    Capture cap;
    cap.answer = tq::mb::IDNO;  // passed back as it is
    EXPECT_EQ(tq::TqMessageBox("t" + kFan, &owner), tq::mb::IDNO);
    EXPECT_EQ(tq::TqMessageBox("q", 0x4u, "cap" + kFan, &owner), tq::mb::IDNO);
    EXPECT_EQ(tq::TqMessageBox("q", &owner, 0x4u, "cap"), tq::mb::IDNO);
    // The caller's other bits pass through; the information bit is ORed into any icon given.
    EXPECT_EQ(tq::TqMessageBox("t", 0x30u | 0x3u, "", nullptr), tq::mb::IDNO);
    EXPECT_EQ(tq::TqMessageBox("t", nullptr, 0x40000u | 0x1u, "c"), tq::mb::IDNO);
    cap.answer = 0;  // a box that could not be shown
    EXPECT_EQ(tq::TqMessageBox("failed"), 0);
    EXPECT_EQ(cap.boxes, (Strings{"t" + kFan + "|" + kNotice + "|8256|owner",
                                  "q|cap" + kFan + "|8260|owner", "q|cap|8260|owner", "t||8307",
                                  "t|c|270401", "failed|" + kNotice + "|8256"}));
}

TEST(TQMessageBox, KindAndButtonCodeSelectTheFlags) {
    Capture cap;
    for (char kind : {'!', '?', 'x', 'i'}) {
        for (int buttons = 1; buttons <= 6; ++buttons) {
            cap.answer = buttons;
            EXPECT_EQ(tq::TQMessageBox("t" + kFan, kind, buttons, "own"), buttons);
        }
    }
    EXPECT_EQ(tq::TQMessageBox("sure?", '?', 5), 6);  // an empty caption: the suite's caption
    // Unknown kinds (exactly these four bytes) and button codes show nothing.
    for (char kind : {'e', 'X', 'I', '\0', '\xb5'}) EXPECT_EQ(tq::TQMessageBox("t", kind, 1), 0);
    for (int buttons : {0, 7, -1}) EXPECT_EQ(tq::TQMessageBox("t", 'i', buttons, "c"), 0);
    tqtest::ExpectGolden("msgbox_kinds.txt", cap.boxes);  // the flags of each kind and code
}

TEST(Alert, ShowsNumbersInTheFrameworkBox) {
    Capture cap;
    cap.answer = 0;  // Alert ignores what the box returns
    tq::Alert(-7);
    tq::Alert(INT_MIN);
    tq::Alert(5, "label");
    tq::Alert(-42, kFan);
    tq::Alert(2.5, "label", 2);
    tq::Alert(3.14159, 3);
    tq::Alert(-0.5, 0);
    tq::Alert(1.25, kFan, 0);
    tq::Alert(7.0, -3);
    Strings want;
    for (const std::string text : {"-7", "-2147483648", "label=5", "\xb5\x5c=-42", "label = 2.50",
                                   "3.142", "-0", "\xb5\x5c = 1", "7"})
        want.push_back(text + "|msgbox_test|8192");  // the program's name as caption
    EXPECT_EQ(cap.boxes, want);
}

TEST(MessageBoxPrimitive, HandlerComesFirstAndGetsEveryBox) {
    FakeDesktop desktop;  // a display is present, yet the handler comes first
    {
        Capture cap;
        cap.answer = 5;
        EXPECT_EQ(tq::os::MessageBoxA(&owner, "odd", "c", 0x7), 5);  // even an unknown button set
        EXPECT_EQ(cap.boxes, Strings{"odd|c|7|owner"});
        // Installing returns the handler that was there; the empty handler restores the default.
        EXPECT_TRUE(static_cast<bool>(tq::SetMessageBoxHandler(nullptr)));
    }
    EXPECT_FALSE(static_cast<bool>(tq::SetMessageBoxHandler(nullptr)));
    EXPECT_EQ(desktop.args(), "");
}

TEST(MessageBoxPrimitive, DesktopDialogShowsIconButtonsAndCaption) {
    FakeDesktop desktop;
    // Each "## FLAGS EXIT [OUTPUT]" of the file: a box answered so, its result and the arguments.
    std::istringstream in(
        readFile(TQTEST_SOURCE_DIR "/tests/golden/msgbox_dialogs.txt").value_or(""));
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("# ")) out += line + "\n";
        if (!line.starts_with("## ")) continue;
        std::istringstream head(line.substr(3));
        unsigned flags = 0;
        int code = 0;
        std::string answer;
        head >> std::hex >> flags >> std::dec >> code >> answer;
        const int result = desktop.box(flags, code, answer);
        out += line + "\n-> " + std::to_string(result) + "\n" + desktop.args();
    }
    tqtest::ExpectGolden("msgbox_dialogs.txt", out);
    // Text is shown as it is: no markup, no escapes, GBK converted to UTF-8.
    EXPECT_EQ(desktop.box(0x40, 0, "", "", "<b>a&b</b> \\n \xb5\x5c"), mb::IDOK);
    EXPECT_EQ(
        desktop.args(),
        "--info\n--ok-label=\xe7\xa1\xae\xe5\xae\x9a\n--icon-name=dialog-information\n--title=" +
            kCaptionUtf8 + "\n--text=<b>a&b</b> \\n \xe7\xa4\xac\n--no-markup\n");
    // A Wayland session counts as a display too.
    ScopedEnv noX("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(desktop.box(0x2044, 1), mb::IDNO);
}

TEST(MessageBoxPrimitive, WithoutAUsableDialogOneLineGoesToStandardError) {
    FakeDesktop desktop;
    NoTerminal noTerminal;
    // The toolkit cannot reach the display (it fails with the code of Cancel), dies, is not
    // wanted, or is missing; then there is no display at all.
    const std::string gtk = "(zenity:1): Gtk-WARNING **: cannot open display: :93";
    std::vector<int> results;
    testing::internal::CaptureStderr();
    results.push_back(desktop.box(0x2044, 1, "", gtk));
    results.push_back(desktop.box(0x2040, 1, "", gtk));
    results.push_back(desktop.box(0x2040, 255));
    for (const char* mode : {"nogui", "stderr"}) {
        ScopedEnv m("TQTOOL_MSGBOX", mode);
        results.push_back(desktop.box(0x2044, 0));
    }
    desktop.uninstall();
    results.push_back(desktop.box(0x2040, 0));
    ScopedEnv noDisplay("DISPLAY", nullptr);
    results.push_back(desktop.box(0x2006, 0));  // an unknown button set is not shown at all
    results.push_back(tq::os::MessageBoxA(nullptr, "\xce\xc4\xb1\xbe", "c", 0x2040));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(results, (std::vector<int>{0, mb::IDOK, mb::IDOK, 0, 0, mb::IDOK, 0, mb::IDOK}));
    const std::string line = "[" + kCaptionUtf8 + "] text\n";
    EXPECT_EQ(err, line + line + line + line + line + line + "[c] \xe6\x96\x87\xe6\x9c\xac\n");
}
