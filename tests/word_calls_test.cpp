// The document exporter's calls, checked against a recorded document server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/word_ops.h"
#include "support/golden.h"
#include "support/recording_server.h"
#include "tqtool/export.h"
#include "tqtool/messagebox.h"

namespace {

using ::testing::ElementsAre;
using tq::automation::Variant;
using tqtest::InvokeKind;
using tqtest::RecordedCall;
namespace w = tq::automation::word;

const std::string kFan = "\xb5\x5c";  // 礬 (trail byte '\')
const std::string kKan = "\xb4\x7c";  // 磡 (trail byte '|')
const std::string kHou = "\xb3\x40";  // 矦 (trail byte '@')
// "绘制表格时出错！" in a task-modal information box captioned "青衡软件".
const std::string kTableErrorBox =
    "\xbb\xe6\xd6\xc6\xb1\xed\xb8\xf1\xca\xb1\xb3\xf6\xb4\xed\xa3\xa1|"
    "\xc7\xe0\xba\xe2\xc8\xed\xbc\xfe|8256";

/// A recorded "Word.Application" with a saved font size of 12 and a saved alignment of 3, and
/// every message box captured.
class WordCalls : public ::testing::Test {
  protected:
    WordCalls() {
        rec.Answer("Font", w::kFontSize, InvokeKind::PropertyGet, Variant::R4(12.0f));
        rec.Answer("ParagraphFormat", w::kParaAlignment, InvokeKind::PropertyGet, Variant::I4(3));
        // Tables.Count answers the number of tables added so far.
        rec.On("Tables", w::kTablesCount, InvokeKind::PropertyGet, [this](tqtest::CallContext&) {
            return Variant::I4(static_cast<int32_t>(linesOf("Tables", "Add").size()));
        });
        previous =
            tq::SetMessageBoxHandler([this](const tq::String& text, const tq::String& caption,
                                            unsigned flags, tq::WindowHandle) {
                boxes.push_back(text + "|" + caption + "|" + std::to_string(flags));
                return tq::mb::IDOK;
            });
    }
    ~WordCalls() override { tq::SetMessageBoxHandler(previous); }

    std::vector<std::string> linesOf(const std::string& type, const std::string& member) const {
        return rec.LogWhere(
            [&](const RecordedCall& c) { return c.type == type && c.member == member; });
    }
    /// The calls of the merge phase: cells fetched, merged and written.
    std::vector<std::string> mergeLines() const {
        return rec.LogWhere([](const RecordedCall& c) {
            return (c.type == "Table" && c.member == "Cell") || c.type == "Cell" ||
                   (c.type == "Range" && c.path.find("Cell") != std::string::npos) ||
                   c.type == "Paragraphs";
        });
    }

    tqtest::RecordingServer rec{tqtest::Model::Word};
    std::vector<std::string> boxes;
    tq::MessageBoxHandler previous;
};

TEST_F(WordCalls, OneTableInFull) {
    // Titles and cells with GBK trail bytes that are ASCII; a short row gets an empty cell.
    std::vector<tq::String> titles{kFan + "T"};
    tq::TableSet tables{{{"a", kKan}, {kHou}}};
    ASSERT_TRUE(tq::WordTable2(titles, tables, true));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(rec.Started(), 1);
    tqtest::ExpectGolden("calls/word_one_table.txt", rec.Log());
}

TEST_F(WordCalls, WithoutTitlesARunningServerGetsAnEmptyShownDocument) {
    // A running server is used, not a new one; a split window's own view gets the view type.
    rec.Start();
    rec.Answer("View", w::kViewSplitSpecial, InvokeKind::PropertyGet, Variant::I4(2));
    ASSERT_TRUE(tq::WordTable({}, {}, {}, false));
    EXPECT_EQ(rec.Started(), 1);
    tqtest::ExpectGolden("calls/word_no_titles.txt", rec.Log());
}

TEST_F(WordCalls, ARowRunMergesWithItsLastCellInOneCall) {
    tq::Table t{{"h", "Y", "Y", "Y", "z"}, {"1", "2", "3", "4", "5"}};
    ASSERT_TRUE(tq::WordTable({"t"}, {t}, {{tq::action(tq::unionRow, 0, 0, -1)}}, true));
    tqtest::ExpectGolden("calls/word_row_run.txt", mergeLines());
}

TEST_F(WordCalls, NoActionEndsTheListAndUnknownTypesAreSkipped) {
    tq::Table t{{"A", "A", "A"}, {"A", "b", "c"}, {"A", "b", "d"}};
    ASSERT_TRUE(
        tq::WordTable({"t"}, {t}, {{tq::action(), tq::action(tq::unionRow, 0, 0, -1)}}, true));
    EXPECT_THAT(mergeLines(), ElementsAre());
    rec.ClearLog();
    ASSERT_TRUE(tq::WordTable(
        {"t"}, {t},
        {{tq::action(static_cast<tq::actionType>(5), 0, 0, -1), tq::action(tq::unionCol, 1, 0, -1),
          tq::action(tq::noAction), tq::action(tq::unionRow, 0, 0, -1)}},
        true));
    tqtest::ExpectGolden("calls/word_unknown_actions.txt", linesOf("Table", "Cell"));
}

TEST_F(WordCalls, SpansAreCutAtTheTableEdge) {
    // A span reaching past the last column or row is cut there; an index outside the table and
    // a negative start are harmless.
    tq::Table t{{"a", "q", "q"}, {"b", "q", "x"}, {"b", "r", "y"}};
    ASSERT_TRUE(
        tq::WordTable({"t"}, {t},
                      {{tq::action(tq::unionRow, 0, 1, 40), tq::action(tq::unionCol, 0, -3, 99),
                        tq::action(tq::unionCol, 7, 0, -1), tq::action(tq::unionRow, -1, 0, -1)}},
                      true));
    tqtest::ExpectGolden("calls/word_spans_cut.txt", linesOf("Table", "Cell"));
}

TEST_F(WordCalls, AMissingOrEmptyTableIsReportedAndTheDocumentGivenBack) {
    ASSERT_FALSE(
        tq::WordTable({"one", "two", "three"}, {{{"1"}}, {}, {{"3"}}}, {{}, {}, {}}, true));
    EXPECT_THAT(boxes, ElementsAre(kTableErrorBox));
    tqtest::ExpectGolden("calls/word_missing_table.txt", rec.Log());

    boxes.clear();
    ASSERT_FALSE(tq::WordTable2({"one", "two"}, {{{"1"}}}, true));  // fewer tables than titles
    EXPECT_THAT(boxes, ElementsAre(kTableErrorBox));
}

}  // namespace
