// The document engine: typing at the insertion point, moving through tables, merging cells, and
// showing documents in the show folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/holder.h"
#include "automation/word_ops.h"
#include "office/document/word_engine.h"
#include "text/text.h"

namespace {

using tq::automation::Holder;
using tq::automation::InvokeKind;
using tq::automation::Variant;
using namespace tq::office::word;
namespace w = tq::automation::word;
namespace A = tq::automation;

/// A fresh engine with one new document and the holders the exporter uses.
struct Engine {
    Holder app{CreateApplication()};
    Holder sel, font, para, tables;
    std::shared_ptr<Document> doc;

    Engine() {
        Holder docs = app.GetObject(w::kAppDocuments);
        Variant empty;
        docs.InvokeHelper(w::kDocumentsAdd, InvokeKind::Method, A::VT_DISPATCH,
                          {Variant::ByRef(&empty)});
        sel = app.GetObject(w::kAppSelection);
        font = sel.GetObject(w::kSelFont);
        para = sel.GetObject(w::kSelParagraphFormat);
        tables = app.GetObject(w::kAppActiveDocument).GetObject(w::kDocTables);
        doc = DocumentsOf(app.get()).back();
    }
    void type(const tq::String& gbk) {
        sel.InvokeHelper(w::kSelTypeText, InvokeKind::Method, A::VT_EMPTY, {A::StrVariant(gbk)});
    }
    void paragraph() { sel.InvokeHelper(w::kSelTypeParagraph, InvokeKind::Method, A::VT_EMPTY); }
    int32_t right(int16_t n = 1) {
        Variant unit = Variant::I2(1), count = Variant::I2(n), extend = Variant::I2(0);
        return sel
            .InvokeHelper(w::kSelMoveRight, InvokeKind::Method, A::VT_I4,
                          {Variant::ByRef(&unit), Variant::ByRef(&count), Variant::ByRef(&extend)})
            .lVal;
    }
    Holder addTable(int32_t rows, int32_t cols) {
        Holder range = sel.GetObject(w::kSelRange);
        return Holder(tables
                          .InvokeHelper(w::kTablesAdd, InvokeKind::Method, A::VT_DISPATCH,
                                        {Variant::Dispatch(range.get()), Variant::I4(rows),
                                         Variant::I4(cols), Variant::I2(1), Variant::I2(1)})
                          .disp);
    }
    static Holder cell(const Holder& table, int32_t r, int32_t c) {
        return Holder(table
                          .InvokeHelper(w::kTableCell, InvokeKind::Method, A::VT_DISPATCH,
                                        {Variant::I4(r), Variant::I4(c)})
                          .disp);
    }
    static void merge(const Holder& a, const Holder& b) {
        a.InvokeHelper(w::kCellMerge, InvokeKind::Method, A::VT_EMPTY,
                       {Variant::Dispatch(b.get())});
    }
    static std::string text(const Holder& cell) {
        return tq::text::gbkToUtf8(A::VariantToString(
            cell.GetObject(w::kCellRange).GetProperty(w::kRangeText, A::VT_BSTR)));
    }
};

TEST(WordEngine, MovingRightGoesCellByCellAndOutOfTheTable) {
    Engine e;
    e.type("T");
    e.paragraph();
    e.addTable(1, 2);
    // The table stands before the paragraph that held the insertion point, now in its first cell.
    ASSERT_EQ(e.doc->body.size(), 3u);
    EXPECT_TRUE(e.doc->sel.inTable);
    e.type("ab");
    EXPECT_EQ(e.right(), 1);  // from the end of a cell's text to the next cell
    EXPECT_EQ(e.doc->sel.col, 1u);
    EXPECT_EQ(e.right(), 1);  // out of the last cell, to the paragraph after the table
    EXPECT_FALSE(e.doc->sel.inTable);
    EXPECT_EQ(e.doc->sel.block, 2u);
    EXPECT_EQ(e.right(), 0);  // the document's end
    // Inside a text one character per move; several moves at once count each.
    e.doc->sel = Position{};
    EXPECT_EQ(e.right(1), 1);
    EXPECT_EQ(e.doc->sel.offset, 1u);
    EXPECT_EQ(e.right(2), 2);  // end of "T", then into the table's first cell
    EXPECT_TRUE(e.doc->sel.inTable);
}

TEST(WordEngine, TableInsideAParagraphSplitsIt) {
    Engine e;
    e.type("leftright");
    e.doc->sel.offset = 4;
    e.addTable(1, 1);
    ASSERT_EQ(e.doc->body.size(), 3u);
    EXPECT_EQ(e.doc->body[0].para.text(), u"left");
    EXPECT_TRUE(e.doc->body[1].table);
    EXPECT_EQ(e.doc->body[2].para.text(), u"right");
    // Tables need at least one row and column, and are not made inside cells.
    EXPECT_THROW(e.addTable(0, 2), tq::AutomationError);
    EXPECT_THROW(e.addTable(2, 0), tq::AutomationError);
    EXPECT_THROW(e.addTable(1, 64), tq::AutomationError);
    EXPECT_THROW(e.addTable(1, 1), tq::AutomationError);  // the insertion point is in a cell now
    Holder items = e.tables;
    EXPECT_THROW(
        items.InvokeHelper(w::kTablesItem, InvokeKind::Method, A::VT_DISPATCH, {Variant::I4(2)}),
        tq::AutomationError);
}

TEST(WordEngine, MergesDownAColumnOrAlongARowKeepEveryText) {
    Engine e;
    Holder t = e.addTable(4, 4);
    for (int i = 0; i < 16; ++i) {
        e.type(std::string(1, static_cast<char>('a' + i)));
        e.right();
    }
    const TableData& data = *e.doc->body[0].table;
    // Down a column, one cell at a time, always through the same first cell.
    Holder top = Engine::cell(t, 1, 1);
    Engine::merge(top, Engine::cell(t, 2, 1));
    Engine::merge(top, Engine::cell(t, 3, 1));
    const CellArea& col = data.areas[data.areaAt(2, 0)];
    EXPECT_EQ(col.r1, 0u);
    EXPECT_EQ(col.r2, 2u);
    EXPECT_EQ(col.c2, 0u);
    // The merged cell holds every text, one paragraph each; writing its text replaces them all.
    EXPECT_EQ(Engine::text(top), "a\re\ri\r\a");
    top.GetObject(w::kCellRange).SetProperty(w::kRangeText, A::StrVariant("\xb4\x7c"));
    EXPECT_EQ(Engine::text(Engine::cell(t, 3, 1)),
              "\xe7\xa3\xa1\r\a");  // 磡, through a covered cell
    // Along a row in one call, with the last cell of the run.
    Holder left = Engine::cell(t, 1, 2);
    Engine::merge(left, Engine::cell(t, 1, 4));
    EXPECT_EQ(data.areaAt(0, 1), data.areaAt(0, 3));
}

TEST(WordEngine, MergingTwoCornersTakesTheirRectangleUnlessItCutsAMergedArea) {
    Engine e;
    Holder t = e.addTable(4, 4);
    Engine::merge(Engine::cell(t, 1, 1), Engine::cell(t, 3, 1));
    Engine::merge(Engine::cell(t, 1, 2), Engine::cell(t, 1, 4));
    const TableData& data = *e.doc->body[0].table;
    // Two cells that are corners of a rectangle merge the whole rectangle, merged areas included.
    Engine::merge(Engine::cell(t, 2, 2), Engine::cell(t, 3, 3));
    EXPECT_EQ(data.areaAt(1, 1), data.areaAt(2, 2));
    EXPECT_NE(data.areaAt(1, 1), data.areaAt(3, 1));
    // A rectangle that would cut a merged area is refused, and changes nothing.
    EXPECT_THROW(Engine::merge(Engine::cell(t, 3, 1), Engine::cell(t, 4, 2)), tq::AutomationError);
    EXPECT_NE(data.areaAt(3, 0), data.areaAt(3, 1));
    EXPECT_THROW(Engine::merge(Engine::cell(t, 1, 3), Engine::cell(t, 2, 4)), tq::AutomationError);
    // Merging an area with one of its own cells is no change.
    Engine::merge(Engine::cell(t, 1, 2), Engine::cell(t, 1, 3));
}

TEST(WordEngine, CellsOutsideTheTableOrOfAnotherTableCannotBeMerged) {
    Engine e;
    Holder t = e.addTable(4, 4);
    EXPECT_THROW(Engine::cell(t, 5, 1), tq::AutomationError);
    EXPECT_THROW(Engine::cell(t, 1, 0), tq::AutomationError);
    e.doc->sel = Position{};
    e.doc->sel.block = 1;
    Holder other = e.addTable(1, 1);
    EXPECT_THROW(Engine::merge(Engine::cell(t, 4, 4), Engine::cell(other, 1, 1)),
                 tq::AutomationError);
}

TEST(WordEngine, EnumeratedPropertiesRefuseValuesOutsideTheirList) {
    Engine e;
    Holder t = e.addTable(1, 1);
    Holder paras = Engine::cell(t, 1, 1).GetObject(w::kCellRange).GetObject(w::kRangeParagraphs);
    Holder setup = e.sel.GetObject(w::kSelPageSetup);
    for (const Holder* h : {&e.para, &paras}) {
        h->SetProperty(w::kParaAlignment, Variant::I4(1));
        EXPECT_THROW(h->SetProperty(w::kParaAlignment, Variant::I4(42)), tq::AutomationError);
        EXPECT_EQ(h->GetProperty(w::kParaAlignment, A::VT_I4).lVal, 1);
    }
    EXPECT_THROW(setup.SetProperty(w::kPageOrientation, Variant::I4(2)), tq::AutomationError);
}

TEST(WordEngine, AMergeThatSwallowsTheInsertionPointMovesItToTheMergedCell) {
    Engine e;
    Holder t = e.addTable(4, 4);
    e.doc->sel = Position{};
    e.doc->sel.inTable = true;
    e.doc->sel.row = 3;
    e.doc->sel.col = 3;
    e.doc->sel.offset = 1;
    Engine::merge(Engine::cell(t, 4, 3), Engine::cell(t, 4, 4));
    EXPECT_EQ(e.doc->sel.col, 2u);
    EXPECT_EQ(e.doc->sel.offset, 0u);
}

TEST(WordEngine, MovingPastMergedCells) {
    Engine e;
    Holder t = e.addTable(2, 3);
    Engine::merge(Engine::cell(t, 1, 1), Engine::cell(t, 2, 1));
    Engine::merge(Engine::cell(t, 1, 2), Engine::cell(t, 1, 3));
    // Reading order: the merged cells once each.
    std::vector<std::pair<uint32_t, uint32_t>> seen;
    while (e.doc->sel.inTable) {
        seen.emplace_back(e.doc->sel.row, e.doc->sel.col);
        e.right();
    }
    EXPECT_THAT(seen, ::testing::ElementsAre(std::pair<uint32_t, uint32_t>{0, 0},
                                             std::pair<uint32_t, uint32_t>{0, 1},
                                             std::pair<uint32_t, uint32_t>{1, 1},
                                             std::pair<uint32_t, uint32_t>{1, 2}));
}

TEST(WordEngine, TheApplicationWorksOnTheDocumentAddedLast) {
    Holder app{CreateApplication()};
    EXPECT_THROW(app.GetObject(w::kAppSelection), tq::AutomationError);  // none yet
    Holder docs = app.GetObject(w::kAppDocuments);
    Variant tmpl = A::StrVariant("x.dotx");
    EXPECT_THROW(docs.InvokeHelper(w::kDocumentsAdd, InvokeKind::Method, A::VT_DISPATCH,
                                   {Variant::ByRef(&tmpl)}),
                 tq::AutomationError);
    docs.InvokeHelper(w::kDocumentsAdd, InvokeKind::Method, A::VT_DISPATCH);
    docs.InvokeHelper(w::kDocumentsAdd, InvokeKind::Method, A::VT_DISPATCH);
    app.GetObject(w::kAppSelection)
        .InvokeHelper(w::kSelTypeText, InvokeKind::Method, A::VT_EMPTY, {A::StrVariant("z")});
    app.GetObject(w::kAppActiveWindow)
        .GetObject(w::kWindowActivePane)
        .GetObject(w::kPaneView)
        .SetProperty(w::kViewType, Variant::I4(1));
    auto all = DocumentsOf(app.get());
    EXPECT_TRUE(all[0]->body[0].para.runs.empty());
    EXPECT_EQ(all[1]->body[0].para.text(), u"z");
    EXPECT_EQ(all[1]->viewType, 1);
    EXPECT_THROW(app.GetProperty(0x7777, A::VT_I4), tq::AutomationError);
}

}  // namespace
