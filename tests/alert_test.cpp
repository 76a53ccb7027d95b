// The suite's message boxes and value alerts, captured through an installed handler.
#include "tqtool/alert.h"

#include <gtest/gtest.h>

#include <climits>

#include "tqtool/messagebox.h"

namespace {

using Strings = std::vector<std::string>;
const std::string kNotice = "\xc7\xe0\xba\xe2\xcc\xe1\xca\xbe";  // 青衡提示
const std::string kSuite = "\xc7\xe0\xba\xe2\xc8\xed\xbc\xfe";   // 青衡软件
const std::string kFan = "\xb5\x5c";                             // 礬 (trail byte '\')
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
    const std::pair<char, std::vector<unsigned>> table[] = {
        {'!', {8240, 8241, 8245, 8242, 8244, 8243}},
        {'?', {8224, 8225, 8229, 8226, 8228, 8227}},
        {'x', {8208, 8209, 8213, 8210, 8212, 8211}},
        {'i', {8256, 8257, 8261, 8258, 8260, 8259}}};
    Strings want;
    for (const auto& [kind, flags] : table) {
        for (int buttons = 1; buttons <= 6; ++buttons) {
            cap.answer = buttons;
            EXPECT_EQ(tq::TQMessageBox("t" + kFan, kind, buttons, "own"), buttons);
            want.push_back("t" + kFan + "|own|" + std::to_string(flags[buttons - 1]));
        }
    }
    EXPECT_EQ(tq::TQMessageBox("sure?", '?', 5), 6);  // an empty caption: the suite's caption
    want.push_back("sure?|" + kSuite + "|8228");
    // Unknown kinds (exactly these four bytes) and button codes show nothing.
    for (char kind : {'e', 'X', 'I', '\0', '\xb5'}) EXPECT_EQ(tq::TQMessageBox("t", kind, 1), 0);
    for (int buttons : {0, 7, -1}) EXPECT_EQ(tq::TQMessageBox("t", 'i', buttons, "c"), 0);
    EXPECT_EQ(cap.boxes, want);
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
        want.push_back(text + "|alert_test|8192");  // the program's name as caption
    EXPECT_EQ(cap.boxes, want);
}

}  // namespace
