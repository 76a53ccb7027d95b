// The document exporter's calls, checked against a recorded document server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "automation/word_ops.h"
#include "support/os_support.h"
#include "support/recording_server.h"
#include "tqtool/export.h"
#include "tqtool/messagebox.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using tq::automation::Variant;
using tqtest::InvokeKind;
using tqtest::RecordedCall;
namespace w = tq::automation::word;

const std::string kFan = "\xb5\x5c";                              // 礬 (trail byte '\')
const std::string kKan = "\xb4\x7c";                              // 磡 (trail byte '|')
const std::string kHou = "\xb3\x40";                              // 矦 (trail byte '@')
const std::string kCaption = "\xc7\xe0\xba\xe2\xc8\xed\xbc\xfe";  // 青衡软件
const std::string kTableError = "\xbb\xe6\xd6\xc6\xb1\xed\xb8\xf1\xca\xb1\xb3\xf6\xb4\xed\xa3\xa1";
const std::string kNoOffice =
    "\xc4\xfa\xc3\xbb\xd3\xd0\xb0\xb2\xd7\xb0OFFICE\xa3\xac\xb4\xcb\xb9\xa6\xc4\xdc\xb2\xbb\xc4\xdc"
    "\xd6\xb4\xd0\xd0\xa3\xa1";

struct Box {
    std::string text, caption;
    unsigned flags;
};

/// A recorded "Word.Application" with the document model, a saved font size of 12 and a saved
/// alignment of 3, and every message box captured.
class WordCalls : public ::testing::Test {
  protected:
    WordCalls() : rec("Word.Application", tqtest::Model::Word) {
        rec.Answer("Font", w::kFontSize, InvokeKind::PropertyGet, Variant::R4(12.0f));
        rec.Answer("ParagraphFormat", w::kParaAlignment, InvokeKind::PropertyGet, Variant::I4(3));
        // Tables.Count answers the number of tables added so far.
        rec.On("Tables", w::kTablesCount, InvokeKind::PropertyGet, [this](tqtest::CallContext&) {
            int n = 0;
            for (const auto& c : rec.Calls())
                if (c.type == "Tables" && c.id == w::kTablesAdd) ++n;
            return Variant::I4(n);
        });
        previous =
            tq::SetMessageBoxHandler([this](const tq::String& text, const tq::String& caption,
                                            unsigned flags, tq::WindowHandle) {
                boxes.push_back({text, caption, flags});
                return tq::mb::IDOK;
            });
    }
    ~WordCalls() override { tq::SetMessageBoxHandler(previous); }

    std::vector<std::string> linesOf(const std::string& type,
                                     const std::string& member = "") const {
        return rec.LogWhere([&](const RecordedCall& c) {
            return c.type == type && (member.empty() || c.member == member);
        });
    }
    /// The lines of the merge phase: every call on tables, cells, their ranges and paragraphs.
    std::vector<std::string> mergeLines() const {
        return rec.LogWhere([](const RecordedCall& c) {
            return (c.type == "Table" && c.member == "Cell") || c.type == "Cell" ||
                   (c.type == "Range" && c.path.find("Cell") != std::string::npos) ||
                   c.type == "Paragraphs";
        });
    }

    tqtest::RecordingServer rec;
    std::vector<Box> boxes;
    tq::MessageBoxHandler previous;
};

TEST_F(WordCalls, OneTableInFull) {
    // Titles and cells with GBK trail bytes that are ASCII; a short row gets an empty cell.
    std::vector<tq::String> titles{kFan + "T"};
    tq::TableSet tables{{{"a", kKan}, {kHou}}};
    ASSERT_TRUE(tq::WordTable2(titles, tables, true));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(rec.Started(), 1);
    EXPECT_THAT(
        rec.Log(),
        ElementsAreArray(std::vector<std::string>{
            "Application[1].Documents(get)",
            "Documents[1].Add(method) BYREF:BSTR:\"\" BYREF:BOOL:FALSE BYREF:I4:0 BYREF:EMPTY",
            "Application[1].Visible(put) BOOL:FALSE",
            "Application[1].ActiveWindow(get)",
            "Window[1].ActivePane(get)",
            "Window[1].View(get)",
            "View[1].SplitSpecial(get)",
            "Pane[1].View(get)",
            "View[2].Type(put) I4:3",
            "Application[1].ActiveDocument(get)",
            "Application[1].Selection(get)",
            "Document[2].Tables(get)",
            "Selection[1].Font(get)",
            "Selection[1].ParagraphFormat(get)",
            "Selection[1].PageSetup(get)",
            "Font[1].Size(get)",
            "ParagraphFormat[1].Alignment(get)",
            // the title
            "Font[1].Size(put) R4:16",
            "ParagraphFormat[1].Alignment(put) I4:1",
            "Selection[1].TypeText(method) BSTR:\"" + kFan + "T\"",
            "Selection[1].TypeParagraph(method)",
            "Font[1].Size(put) R4:12",
            "ParagraphFormat[1].Alignment(put) I4:1",
            // the table
            "Selection[1].Range(get)",
            "Tables[1].Add(method) DISPATCH:Range[1] I4:2 I4:2 BYREF:I2:1 BYREF:I2:1",
            "Selection[1].TypeText(method) BSTR:\"a\"",
            "Selection[1].MoveRight(method) BYREF:I2:1 BYREF:I2:1 BYREF:I2:0",
            "Selection[1].TypeText(method) BSTR:\"" + kKan + "\"",
            "Selection[1].MoveRight(method) BYREF:I2:1 BYREF:I2:1 BYREF:I2:0",
            "Selection[1].TypeText(method) BSTR:\"" + kHou + "\"",
            "Selection[1].MoveRight(method) BYREF:I2:1 BYREF:I2:1 BYREF:I2:0",
            "Selection[1].TypeText(method) BSTR:\"\"",
            "Selection[1].MoveRight(method) BYREF:I2:1 BYREF:I2:1 BYREF:I2:0",
            "Selection[1].MoveRight(method) BYREF:I2:1 BYREF:I2:1 BYREF:I2:0",
            // every table centred
            "Tables[1].Count(get)",
            "Tables[1].Item(method) I4:1",
            "Table[2].Rows(get)",
            "Rows[1].Alignment(put) I4:1",
            "Tables[1].Count(get)",
            // restore and show
            "Font[1].Size(put) R4:12",
            "ParagraphFormat[1].Alignment(put) I4:3",
            "Application[1].Visible(put) BOOL:TRUE",
        }))
        << rec.LogText();
}

TEST_F(WordCalls, NoTitlesRunningServerAndSplitWindow) {
    // A running server is used, not a new one; a split window's own view gets the view type.
    rec.Start();
    rec.Answer("View", w::kViewSplitSpecial, InvokeKind::PropertyGet, Variant::I4(2));
    ASSERT_TRUE(tq::WordTable({}, {}, {}, false));
    EXPECT_EQ(rec.Started(), 1);
    EXPECT_THAT(
        rec.LogWhere([](const RecordedCall& c) { return c.type == "View" || c.type == "Pane"; }),
        ElementsAre("View[1].SplitSpecial(get)", "View[1].Type(put) I4:3"));
    EXPECT_THAT(linesOf("PageSetup"), ElementsAre("PageSetup[1].Orientation(put) I4:1"));
    EXPECT_THAT(linesOf("Selection", "TypeText"), ElementsAre());
    EXPECT_THAT(linesOf("Tables"), ElementsAre("Tables[1].Count(get)"));
    auto log = rec.Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(log.end() - 3, log.end()),
                ElementsAre("Font[1].Size(put) R4:12", "ParagraphFormat[1].Alignment(put) I4:3",
                            "Application[1].Visible(put) BOOL:TRUE"));
}

TEST_F(WordCalls, OrientationOnlyForLandscapeAndOnce) {
    tq::TableSet tables{{{"a"}}, {{"b"}}};
    ASSERT_TRUE(tq::WordTable2({"x", "y"}, tables, true));
    EXPECT_THAT(linesOf("PageSetup"), ElementsAre());
    rec.ClearLog();
    ASSERT_TRUE(tq::WordTable2({"x", "y"}, tables, false));
    EXPECT_THAT(linesOf("PageSetup"), ElementsAre("PageSetup[1].Orientation(put) I4:1"));
}

TEST_F(WordCalls, ColumnRunMergesDownwardOnOneCell) {
    tq::Table t{{"a", "1"}, {"b", "2"}, {kFan, "3"}, {kFan, "4"}, {kFan, "5"}, {"c", "6"}};
    ASSERT_TRUE(tq::WordTable({"t"}, {t}, {{tq::action(tq::unionCol, 0, 0, -1)}}, true));
    EXPECT_THAT(mergeLines(), ElementsAre("Table[2].Cell(method) I4:3 I4:1",  //
                                          "Table[2].Cell(method) I4:4 I4:1",  //
                                          "Cell[1].Merge(method) DISPATCH:Cell[2]",
                                          "Table[2].Cell(method) I4:5 I4:1",  //
                                          "Cell[1].Merge(method) DISPATCH:Cell[3]",
                                          "Cell[1].Range(get)",  //
                                          "Range[2].Text(put) BSTR:\"" + kFan + "\"",
                                          "Cell[1].VerticalAlignment(put) I4:1"))
        << rec.LogText();
    // The merges come after the table is filled and before the tables are centred.
    auto log = rec.Log();
    auto item = std::find(log.begin(), log.end(), "Tables[1].Item(method) I4:1");
    auto firstCell = std::find(log.begin(), log.end(), "Table[2].Cell(method) I4:3 I4:1");
    auto count = std::find(log.begin(), log.end(), "Tables[1].Count(get)");
    EXPECT_TRUE(item < firstCell && firstCell < count);
}

TEST_F(WordCalls, RowRunMergesInOneCall) {
    tq::Table t{{"h", "Y", "Y", "Y", "z"}, {"1", "2", "3", "4", "5"}};
    ASSERT_TRUE(tq::WordTable({"t"}, {t}, {{tq::action(tq::unionRow, 0, 0, -1)}}, true));
    EXPECT_THAT(mergeLines(),
                ElementsAre("Table[2].Cell(method) I4:1 I4:2",  //
                            "Table[2].Cell(method) I4:1 I4:4",
                            "Cell[1].Merge(method) DISPATCH:Cell[2]",  //
                            "Cell[1].Range(get)",                      //
                            "Range[2].Text(put) BSTR:\"Y\"",           //
                            "Range[2].Paragraphs(get)", "Paragraphs[1].Alignment(put) I4:1"))
        << rec.LogText();
}

TEST_F(WordCalls, ActionListRules) {
    tq::Table t{{"A", "A", "A"}, {"A", "b", "c"}, {"A", "b", "d"}};
    // A list that starts with noAction merges nothing, whatever follows.
    ASSERT_TRUE(
        tq::WordTable({"t"}, {t}, {{tq::action(), tq::action(tq::unionRow, 0, 0, -1)}}, true));
    EXPECT_THAT(mergeLines(), ElementsAre());
    // An unknown type is skipped and the actions after it still apply; noAction later ends it.
    rec.ClearLog();
    ASSERT_TRUE(tq::WordTable(
        {"t"}, {t},
        {{tq::action(static_cast<tq::actionType>(5), 0, 0, -1), tq::action(tq::unionCol, 1, 0, -1),
          tq::action(tq::noAction), tq::action(tq::unionRow, 0, 0, -1)}},
        true));
    EXPECT_THAT(linesOf("Cell", "Merge"), ElementsAre("Cell[1].Merge(method) DISPATCH:Cell[2]"));
    EXPECT_THAT(linesOf("Table", "Cell"),
                ElementsAre("Table[5].Cell(method) I4:2 I4:2", "Table[5].Cell(method) I4:3 I4:2"));
    // Actions whose spans hold no two equal neighbours merge nothing.
    rec.ClearLog();
    ASSERT_TRUE(
        tq::WordTable({"t"}, {t},
                      {{tq::action(tq::unionRow, 1, 0, -1), tq::action(tq::unionCol, 2, 0, -1),
                        tq::action(tq::unionRow, 0, 1, 1)}},
                      true));
    EXPECT_THAT(mergeLines(), ElementsAre());
}

TEST_F(WordCalls, SpansCutAtTheTableEdge) {
    // A span reaching past the last column or row is cut there; an index outside the table and
    // a negative start are harmless.
    tq::Table t{{"a", "q", "q"}, {"b", "q", "x"}, {"b", "r", "y"}};
    ASSERT_TRUE(
        tq::WordTable({"t"}, {t},
                      {{tq::action(tq::unionRow, 0, 1, 40), tq::action(tq::unionCol, 0, -3, 99),
                        tq::action(tq::unionCol, 7, 0, -1), tq::action(tq::unionRow, -1, 0, -1)}},
                      true));
    EXPECT_THAT(linesOf("Table", "Cell"),
                ElementsAre("Table[2].Cell(method) I4:1 I4:2", "Table[2].Cell(method) I4:1 I4:3",
                            "Table[2].Cell(method) I4:2 I4:1", "Table[2].Cell(method) I4:3 I4:1"));
}

TEST_F(WordCalls, SecondTableMergesInSecondWordTable) {
    tq::Table plain{{"1", "2"}};
    tq::Table twin{{"s", "s"}, {"u", "v"}};
    ASSERT_TRUE(tq::WordTable({"one", "two"}, {plain, twin},
                              {{}, {tq::action(tq::unionRow, 0, 0, -1)}}, true));
    std::vector<std::string> cellPaths;
    for (const auto& c : rec.Calls())
        if (c.type == "Table" && c.member == "Cell") cellPaths.push_back(c.path);
    ASSERT_EQ(cellPaths.size(), 2u);
    for (const auto& p : cellPaths) EXPECT_THAT(p, ::testing::EndsWith("Tables.Item(I4:2)")) << p;
    // Both tables are centred at the end.
    EXPECT_THAT(linesOf("Rows"),
                ElementsAre("Rows[1].Alignment(put) I4:1", "Rows[2].Alignment(put) I4:1"));
}

TEST_F(WordCalls, WordTable2MatchesWordTableWithEmptyLists) {
    tq::TableSet tables{{{"a", "a"}, {"a", "b"}}, {{"c"}}};
    ASSERT_TRUE(tq::WordTable2({"x", "y"}, tables, false));
    auto two = rec.Log();
    rec.ClearLog();
    ASSERT_TRUE(tq::WordTable({"x", "y"}, tables, {{}, {}}, false));
    // WordTable fetches each Word table for its merges; apart from the calls on tables the two
    // call sequences are the same, once the object numbers of the second document are ignored.
    auto keep = [](const std::string& l) {
        return l.find("Tables[") != 0 && l.find("Table[") != 0;
    };
    std::vector<std::string> filtered, twoFiltered;
    for (const auto& l : rec.Log())
        if (keep(l)) filtered.push_back(l);
    for (const auto& l : two)
        if (keep(l)) twoFiltered.push_back(l);
    ASSERT_EQ(filtered.size(), twoFiltered.size()) << rec.LogText();
    // Same members, same arguments (objects renumbered between the two runs are ignored).
    auto strip = [](std::string s) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '[') {
                while (i < s.size() && s[i] != ']') ++i;
                continue;
            }
            out += s[i];
        }
        return out;
    };
    for (size_t i = 0; i < filtered.size(); ++i)
        EXPECT_EQ(strip(filtered[i]), strip(twoFiltered[i])) << i;
}

TEST_F(WordCalls, TableWithoutRowsIsReportedAndWordShown) {
    // The fault mended: the document is given back visible, with size and alignment restored.
    ASSERT_FALSE(
        tq::WordTable({"one", "two", "three"}, {{{"1"}}, {}, {{"3"}}}, {{}, {}, {}}, true));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kTableError);
    EXPECT_EQ(boxes[0].caption, kCaption);
    EXPECT_EQ(boxes[0].flags, 0x2040u);
    auto log = rec.Log();
    ASSERT_GE(log.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(log.end() - 5, log.end()),
                ElementsAre("Font[1].Size(put) R4:12", "ParagraphFormat[1].Alignment(put) I4:1",
                            "Font[1].Size(put) R4:12", "ParagraphFormat[1].Alignment(put) I4:3",
                            "Application[1].Visible(put) BOOL:TRUE"));
    // The second title was typed, the third was not; only the first table was added.
    EXPECT_THAT(linesOf("Selection", "TypeText"),
                ::testing::Contains("Selection[1].TypeText(method) BSTR:\"two\""));
    EXPECT_THAT(
        linesOf("Selection", "TypeText"),
        ::testing::Not(::testing::Contains("Selection[1].TypeText(method) BSTR:\"three\"")));
    EXPECT_EQ(linesOf("Tables", "Add").size(), 1u);

    // Fewer tables than titles is reported the same way.
    boxes.clear();
    rec.ClearLog();
    ASSERT_FALSE(tq::WordTable2({"one", "two"}, {{{"1"}}}, true));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kTableError);
    EXPECT_EQ(rec.Log().back(), "Application[1].Visible(put) BOOL:TRUE");
}

}  // namespace
