// The suite's message boxes and value alerts, captured through an installed handler.
#include "tqtool/alert.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tqtool/messagebox.h"

namespace {

const std::string kNotice = "\xc7\xe0\xba\xe2\xcc\xe1\xca\xbe";  // 青衡提示
const std::string kSuite = "\xc7\xe0\xba\xe2\xc8\xed\xbc\xfe";   // 青衡软件
const std::string kFan = "\xb5\x5c";                             // 礬 (trail byte '\')

struct Box {
    std::string text, caption;
    unsigned flags;
    tq::WindowHandle owner;
};

// Installs a handler that records every box and answers with `answer`.
class Capture {
  public:
    Capture() {
        previous_ =
            tq::SetMessageBoxHandler([this](const tq::String& text, const tq::String& caption,
                                            unsigned flags, tq::WindowHandle owner) {
                boxes.push_back({text, caption, flags, owner});
                return answer;
            });
    }
    ~Capture() { tq::SetMessageBoxHandler(previous_); }
    std::vector<Box> boxes;
    int answer = tq::mb::IDOK;

  private:
    tq::MessageBoxHandler previous_;
};

}  // namespace

TEST(TqMessageBox, PlainFormIsAnInformationBoxWithTheNoticeCaption) {
    Capture cap;
    int owner = 0;
    cap.answer = tq::mb::IDOK;
    EXPECT_EQ(tq::TqMessageBox("\xce\xc4\xb1\xbe" + kFan, &owner), tq::mb::IDOK);
    EXPECT_EQ(tq::TqMessageBox("no owner"), tq::mb::IDOK);
    cap.answer = 0;  // a box that could not be shown
    EXPECT_EQ(tq::TqMessageBox("failed", nullptr), 0);
    ASSERT_EQ(cap.boxes.size(), 3u);
    EXPECT_EQ(cap.boxes[0].text, "\xce\xc4\xb1\xbe" + kFan);
    EXPECT_EQ(cap.boxes[0].caption, kNotice);
    EXPECT_EQ(cap.boxes[0].flags, 0x2040u);
    EXPECT_EQ(cap.boxes[0].owner, &owner);
    EXPECT_EQ(cap.boxes[1].owner, nullptr);
}

TEST(TqMessageBox, TypedFormsAlwaysAddTheInformationIcon) {
    Capture cap;
    int owner = 0;
    // Yes/No with the information icon; the answer is passed back.
    cap.answer = tq::mb::IDYES;
    EXPECT_EQ(tq::TqMessageBox("q", 0x4u, "cap" + kFan, &owner), tq::mb::IDYES);
    cap.answer = tq::mb::IDNO;
    EXPECT_EQ(tq::TqMessageBox("q", &owner, 0x4u, "cap"), tq::mb::IDNO);
    // The caller's other bits pass through; the information bit is ORed into any icon given.
    cap.answer = tq::mb::IDCANCEL;
    EXPECT_EQ(tq::TqMessageBox("t", 0x30u | 0x3u, "", nullptr), tq::mb::IDCANCEL);
    EXPECT_EQ(tq::TqMessageBox("t", nullptr, 0x2040u, kNotice), tq::mb::IDCANCEL);
    EXPECT_EQ(tq::TqMessageBox("t", 0x40000u | 0x1u, "c", nullptr), tq::mb::IDCANCEL);
    ASSERT_EQ(cap.boxes.size(), 5u);
    EXPECT_EQ(cap.boxes[0].flags, 0x2044u);
    EXPECT_EQ(cap.boxes[0].caption, "cap" + kFan);
    EXPECT_EQ(cap.boxes[0].owner, &owner);
    EXPECT_EQ(cap.boxes[1].flags, 0x2044u);
    EXPECT_EQ(cap.boxes[1].caption, "cap");
    EXPECT_EQ(cap.boxes[1].owner, &owner);
    EXPECT_EQ(cap.boxes[2].flags, 0x2073u);
    EXPECT_EQ(cap.boxes[2].caption, "");  // the typed forms keep an empty caption
    EXPECT_EQ(cap.boxes[3].flags, 0x2040u);
    EXPECT_EQ(cap.boxes[4].flags, 0x42041u);
}

TEST(TQMessageBox, KindAndButtonCodeSelectTheFlags) {
    Capture cap;
    struct Row {
        char kind;
        unsigned flags[6];
    };
    const Row table[] = {{'!', {8240, 8241, 8245, 8242, 8244, 8243}},
                         {'?', {8224, 8225, 8229, 8226, 8228, 8227}},
                         {'x', {8208, 8209, 8213, 8210, 8212, 8211}},
                         {'i', {8256, 8257, 8261, 8258, 8260, 8259}}};
    int answer = 1;
    for (const Row& row : table) {
        for (int buttons = 1; buttons <= 6; ++buttons) {
            cap.answer = answer;
            cap.boxes.clear();
            EXPECT_EQ(tq::TQMessageBox("text" + kFan, row.kind, buttons, "own"), answer);
            ASSERT_EQ(cap.boxes.size(), 1u);
            EXPECT_EQ(cap.boxes[0].flags, row.flags[buttons - 1]) << row.kind << buttons;
            EXPECT_EQ(cap.boxes[0].text, "text" + kFan);
            EXPECT_EQ(cap.boxes[0].caption, "own");
            EXPECT_EQ(cap.boxes[0].owner, nullptr);
            answer = answer % 7 + 1;
        }
    }
    // An empty caption becomes the suite's caption.
    cap.boxes.clear();
    cap.answer = tq::mb::IDYES;
    EXPECT_EQ(tq::TQMessageBox("sure?", '?', 5, ""), tq::mb::IDYES);
    EXPECT_EQ(tq::TQMessageBox("sure?", '?', 5), tq::mb::IDYES);
    ASSERT_EQ(cap.boxes.size(), 2u);
    EXPECT_EQ(cap.boxes[0].caption, kSuite);
    EXPECT_EQ(cap.boxes[0].flags, 8228u);
    EXPECT_EQ(cap.boxes[1].caption, kSuite);
}

TEST(TQMessageBox, UnknownKindOrButtonCodeShowsNothing) {
    Capture cap;
    cap.answer = tq::mb::IDOK;
    EXPECT_EQ(tq::TQMessageBox("t", 'i', 0, "c"), 0);
    EXPECT_EQ(tq::TQMessageBox("t", 'i', 7, "c"), 0);
    EXPECT_EQ(tq::TQMessageBox("t", 'i', -1, "c"), 0);
    EXPECT_EQ(tq::TQMessageBox("t", 'e', 1, "c"), 0);
    EXPECT_EQ(tq::TQMessageBox("t", 'X', 1, "c"), 0);
    EXPECT_EQ(tq::TQMessageBox("t", 'I', 1, "c"), 0);
    EXPECT_EQ(tq::TQMessageBox("t", '\0', 1, "c"), 0);
    EXPECT_EQ(tq::TQMessageBox("t", '\xb5', 1, "c"), 0);
    EXPECT_TRUE(cap.boxes.empty());
}

TEST(Alert, ShowsNumbersInTheFrameworkBox) {
    Capture cap;
    cap.answer = 0;  // Alert ignores what the box returns
    tq::Alert(-7);
    tq::Alert(0);
    tq::Alert(INT_MIN);
    tq::Alert(5, "label");
    tq::Alert(-42, kFan);
    tq::Alert(2.5, "label", 2);
    tq::Alert(3.14159, 3);
    tq::Alert(-0.5, 0);
    tq::Alert(1.25, kFan, 0);
    tq::Alert(7.0, -3);
    const std::vector<std::string> texts{
        "-7",           "0",     "-2147483648", "label=5",     kFan + "=-42",
        "label = 2.50", "3.142", "-0",          kFan + " = 1", "7"};
    ASSERT_EQ(cap.boxes.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(cap.boxes[i].text, texts[i]) << i;
        EXPECT_EQ(cap.boxes[i].flags, 0x2000u);
        EXPECT_EQ(cap.boxes[i].caption, "alert_test");  // the framework's caption: the program
        EXPECT_EQ(cap.boxes[i].owner, nullptr);
    }
}
