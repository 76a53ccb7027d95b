// The message-box primitive: handler first, then a zenity dialog when a display is present, then
// the terminal, then one line on standard error.
#include "os/msgbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/os_support.h"
#include "tqtool/messagebox.h"

using namespace ostest;
namespace mb = tq::mb;

namespace {

const std::string kCaptionGbk = "\xc7\xe0\xba\xe2\xcc\xe1\xca\xbe";  // 青衡提示
const std::string kCaptionUtf8 = "\xe9\x9d\x92\xe8\xa1\xa1\xe6\x8f\x90\xe7\xa4\xba";
const std::string kYes = "\xe6\x98\xaf", kNo = "\xe5\x90\xa6", kOk = "\xe7\xa1\xae\xe5\xae\x9a",
                  kCancel = "\xe5\x8f\x96\xe6\xb6\x88", kAbort = "\xe4\xb8\xad\xe6\xad\xa2",
                  kRetry = "\xe9\x87\x8d\xe8\xaf\x95", kIgnore = "\xe5\xbf\xbd\xe7\x95\xa5";

// Standard input from /dev/null for the scope: no terminal to ask.
class NoTerminal {
  public:
    NoTerminal() {
        saved_ = ::dup(STDIN_FILENO);
        int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }
    ~NoTerminal() {
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
    }

  private:
    int saved_;
};

// A zenity stand-in on PATH under a made-up display: records its arguments (one per line) and
// answers as the test asks (exit code, standard output, standard error).
class FakeDesktop {
  public:
    FakeDesktop()
        : path_("PATH", (tmp_.path() + ":/usr/bin:/bin").c_str()),
          display_("DISPLAY", ":93"),
          wayland_("WAYLAND_DISPLAY", nullptr),
          mode_("TQTOOL_MSGBOX", nullptr),
          log_("FAKE_ZENITY_LOG", (tmp_.path() + "/log").c_str()) {
        writeScript(tmp_.path() + "/zenity",
                    "#!/bin/sh\n"
                    "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$FAKE_ZENITY_LOG\"\n"
                    "[ -n \"$FAKE_ZENITY_OUT\" ] && printf '%s\\n' \"$FAKE_ZENITY_OUT\"\n"
                    "[ -n \"$FAKE_ZENITY_ERR\" ] && printf '%s\\n' \"$FAKE_ZENITY_ERR\" >&2\n"
                    "exit ${FAKE_ZENITY_EXIT:-0}\n");
    }
    // Shows a box answered with `exitCode` and `out`; returns the primitive's result.
    int box(unsigned flags, int exitCode, const std::string& out = "", const std::string& err = "",
            const std::string& text = "text") {
        std::filesystem::remove(tmp_.path() + "/log");
        ScopedEnv e1("FAKE_ZENITY_EXIT", std::to_string(exitCode).c_str());
        ScopedEnv e2("FAKE_ZENITY_OUT", out.c_str());
        ScopedEnv e3("FAKE_ZENITY_ERR", err.c_str());
        return tq::os::MessageBoxA(nullptr, text, kCaptionGbk, flags);
    }
    // The arguments of the last run; empty when zenity was not run.
    std::vector<std::string> args() const {
        std::vector<std::string> out;
        auto log = readFile(tmp_.path() + "/log");
        if (!log) return out;
        size_t start = 0;
        while (start < log->size()) {
            size_t nl = log->find('\n', start);
            out.push_back(log->substr(start, nl - start));
            start = nl + 1;
        }
        return out;
    }
    const std::string& dir() const { return tmp_.path(); }

  private:
    TempDir tmp_;
    ScopedEnv path_, display_, wayland_, mode_, log_;
};

std::vector<std::string> dialogArgs(const char* kind, std::vector<std::string> buttons,
                                    const char* icon, const std::string& text = "text") {
    std::vector<std::string> a{kind};
    a.insert(a.end(), buttons.begin(), buttons.end());
    if (icon) a.push_back(std::string("--icon-name=") + icon);
    a.push_back("--title=" + kCaptionUtf8);
    a.push_back("--text=" + text);
    a.push_back("--no-markup");
    return a;
}

}  // namespace

TEST(MessageBoxPrimitive, HandlerGetsEveryBoxAndItsAnswerIsReturned) {
    struct Seen {
        std::string text, caption;
        unsigned flags;
        tq::WindowHandle owner;
    };
    std::vector<Seen> seen;
    int owner = 0;
    auto previous = tq::SetMessageBoxHandler(
        [&](const tq::String& text, const tq::String& caption, unsigned flags, tq::WindowHandle w) {
            seen.push_back({text, caption, flags, w});
            return static_cast<int>(seen.size()) + 4;
        });
    FakeDesktop desktop;  // a display is present, yet the handler comes first
    EXPECT_EQ(tq::os::MessageBoxA(&owner, "t\xb5\x5c", kCaptionGbk, 0x2044), 5);
    EXPECT_EQ(tq::os::AfxMessageBox("afx", 0x2000), 6);
    // Even a box with an unknown button set goes to the handler.
    EXPECT_EQ(tq::os::MessageBoxA(nullptr, "odd", "c", 0x7), 7);
    EXPECT_TRUE(desktop.args().empty());
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "t\xb5\x5c");
    EXPECT_EQ(seen[0].caption, kCaptionGbk);
    EXPECT_EQ(seen[0].flags, 0x2044u);
    EXPECT_EQ(seen[0].owner, &owner);
    EXPECT_EQ(seen[1].caption, "msgbox_test");  // the program's name
    EXPECT_EQ(seen[1].owner, nullptr);

    // Installing returns the handler that was there; the empty handler restores the default.
    auto mine = tq::SetMessageBoxHandler(nullptr);
    EXPECT_TRUE(static_cast<bool>(mine));
    EXPECT_FALSE(static_cast<bool>(tq::SetMessageBoxHandler(previous)));
}

TEST(MessageBoxPrimitive, WithoutHandlerDisplayOrTerminalOneLineGoesToStandardError) {
    ScopedEnv d("DISPLAY", nullptr), w("WAYLAND_DISPLAY", nullptr), m("TQTOOL_MSGBOX", nullptr);
    NoTerminal noTerminal;
    testing::internal::CaptureStderr();
    int ok = tq::os::MessageBoxA(nullptr, "\xce\xc4\xb1\xbe", kCaptionGbk, 0x2040);
    int yesNo = tq::os::MessageBoxA(nullptr, "sure?", "c", 0x2024);
    int odd = tq::os::MessageBoxA(nullptr, "odd", "c", 0x2006);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ok, mb::IDOK);
    EXPECT_EQ(yesNo, 0);
    EXPECT_EQ(odd, 0);
    EXPECT_EQ(err, "[" + kCaptionUtf8 + "] \xe6\x96\x87\xe6\x9c\xac\n[c] sure?\n");
}

TEST(MessageBoxPrimitive, DesktopDialogShowsIconButtonsAndCaption) {
    FakeDesktop desktop;
    const std::string ok = "--ok-label=" + kOk;
    EXPECT_EQ(desktop.box(0x2040, 0), mb::IDOK);
    EXPECT_EQ(desktop.args(), dialogArgs("--info", {ok}, "dialog-information"));
    EXPECT_EQ(desktop.box(0x2010, 0), mb::IDOK);
    EXPECT_EQ(desktop.args(), dialogArgs("--error", {ok}, "dialog-error"));
    EXPECT_EQ(desktop.box(0x2030, 0), mb::IDOK);
    EXPECT_EQ(desktop.args(), dialogArgs("--warning", {ok}, "dialog-warning"));
    EXPECT_EQ(desktop.box(0x2020, 1), mb::IDOK);  // closing an OK-only box is OK
    EXPECT_EQ(desktop.args(), dialogArgs("--info", {ok}, "dialog-question"));
    EXPECT_EQ(desktop.box(0x0, 0), mb::IDOK);
    EXPECT_EQ(desktop.args(), dialogArgs("--info", {ok}, nullptr));

    // Two buttons: OK of the dialog is the first, Cancel (or closing) the second.
    EXPECT_EQ(desktop.box(0x2021, 0), mb::IDOK);
    EXPECT_EQ(desktop.args(),
              dialogArgs("--question", {"--cancel-label=" + kCancel, ok}, "dialog-question"));
    EXPECT_EQ(desktop.box(0x2021, 1), mb::IDCANCEL);
    EXPECT_EQ(desktop.box(0x2044, 0), mb::IDYES);
    EXPECT_EQ(desktop.args(),
              dialogArgs("--question", {"--cancel-label=" + kNo, "--ok-label=" + kYes},
                         "dialog-information"));
    EXPECT_EQ(desktop.box(0x2044, 1), mb::IDNO);
    EXPECT_EQ(desktop.box(0x2035, 0), mb::IDRETRY);
    EXPECT_EQ(desktop.args(),
              dialogArgs("--question", {"--cancel-label=" + kCancel, "--ok-label=" + kRetry},
                         "dialog-warning"));
    EXPECT_EQ(desktop.box(0x2035, 1), mb::IDCANCEL);

    // Three buttons: the extra button answers on standard output.
    EXPECT_EQ(desktop.box(0x2023, 0), mb::IDYES);
    EXPECT_EQ(desktop.args(), dialogArgs("--question",
                                         {"--cancel-label=" + kCancel, "--extra-button=" + kNo,
                                          "--ok-label=" + kYes},
                                         "dialog-question"));
    EXPECT_EQ(desktop.box(0x2023, 1, kNo), mb::IDNO);
    EXPECT_EQ(desktop.box(0x2023, 1), mb::IDCANCEL);
    EXPECT_EQ(desktop.box(0x2012, 0), mb::IDRETRY);
    EXPECT_EQ(desktop.args(), dialogArgs("--question",
                                         {"--cancel-label=" + kAbort, "--extra-button=" + kIgnore,
                                          "--ok-label=" + kRetry},
                                         "dialog-error"));
    EXPECT_EQ(desktop.box(0x2012, 1, kIgnore), mb::IDIGNORE);
    EXPECT_EQ(desktop.box(0x2012, 1), mb::IDABORT);

    // Text is shown as it is: no markup, no escapes, GBK converted to UTF-8.
    EXPECT_EQ(desktop.box(0x40, 0, "", "", "<b>a&b</b> \\n \xb5\x5c"), mb::IDOK);
    EXPECT_EQ(desktop.args(),
              dialogArgs("--info", {ok}, "dialog-information", "<b>a&b</b> \\n \xe7\xa4\xac"));

    // A Wayland session counts as a display too.
    ScopedEnv noX("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(desktop.box(0x2044, 1), mb::IDNO);
    EXPECT_FALSE(desktop.args().empty());
}

TEST(MessageBoxPrimitive, UnusableDialogFallsBackToStandardError) {
    FakeDesktop desktop;
    NoTerminal noTerminal;
    testing::internal::CaptureStderr();
    // The toolkit cannot reach the display: it fails with the code of Cancel.
    int unreachable =
        desktop.box(0x2044, 1, "", "(zenity:1): Gtk-WARNING **: cannot open display: :93");
    int unreachableOk = desktop.box(0x2040, 1, "", "Gtk-WARNING **: cannot open display: :93");
    int crashed = desktop.box(0x2040, 255);
    {
        ScopedEnv mode("TQTOOL_MSGBOX", "nogui");
        EXPECT_EQ(desktop.box(0x2040, 0), mb::IDOK);
        EXPECT_TRUE(desktop.args().empty());
    }
    {
        ScopedEnv mode("TQTOOL_MSGBOX", "stderr");
        EXPECT_EQ(desktop.box(0x2044, 0), 0);
        EXPECT_TRUE(desktop.args().empty());
    }
    std::filesystem::remove(desktop.dir() + "/zenity");  // zenity not installed
    int missing = desktop.box(0x2040, 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(unreachable, 0);
    EXPECT_EQ(unreachableOk, mb::IDOK);
    EXPECT_EQ(crashed, mb::IDOK);
    EXPECT_EQ(missing, mb::IDOK);
    const std::string line = "[" + kCaptionUtf8 + "] text\n";
    EXPECT_EQ(err, line + line + line + line + line + line);
}
