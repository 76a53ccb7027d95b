// Word table export: titled tables written into a new document through the document server's
// automation interface, with runs of equal cell texts merged (WordTable) or not (WordTable2).
#include <algorithm>
#include <optional>

#include "automation/holder.h"
#include "automation/servers.h"
#include "automation/word_ops.h"
#include "excel/connect.h"
#include "export/runs.h"
#include "text/text.h"
#include "tqtool/alert.h"
#include "tqtool/export.h"

namespace tq {

namespace {

namespace w = automation::word;
using automation::Holder;
using automation::InvokeKind;
using automation::Variant;

// "Word初始化失败，此功能不能执行！"
const char kMsgInitFailed[] =
    "Word\xb3\xf5\xca\xbc\xbb\xaf\xca\xa7\xb0\xdc\xa3\xac\xb4\xcb\xb9\xa6\xc4\xdc\xb2\xbb\xc4\xdc"
    "\xd6\xb4\xd0\xd0\xa3\xa1";
// "您没有安装OFFICE，此功能不能执行！"
const char kMsgNoOffice[] =
    "\xc4\xfa\xc3\xbb\xd3\xd0\xb0\xb2\xd7\xb0OFFICE\xa3\xac\xb4\xcb\xb9\xa6\xc4\xdc\xb2\xbb\xc4\xdc"
    "\xd6\xb4\xd0\xd0\xa3\xa1";
// "绘制表格时出错！"
const char kMsgTableError[] = "\xbb\xe6\xd6\xc6\xb1\xed\xb8\xf1\xca\xb1\xb3\xf6\xb4\xed\xa3\xa1";
// "青衡软件"
const char kCaption[] = "\xc7\xe0\xba\xe2\xc8\xed\xbc\xfe";

constexpr unsigned kMessageType = 0x2040;  // task-modal, information icon, OK
constexpr float kTitleSize = 16.0f;
constexpr int16_t kTableBehavior = 1;  // DefaultTableBehavior and AutoFitBehavior

void report(const char* text) {
    TqMessageBox(text, kMessageType, kCaption, nullptr);
}

/// Table i cut to its first row's width: short rows padded with empty cells. Only built when a
/// row differs in length from the first; otherwise the caller's table is used as it is.
const Table& normalised(const Table& t, std::optional<Table>& copy) {
    const size_t width = t.front().size();
    bool even =
        std::all_of(t.begin(), t.end(), [&](const CellRow& r) { return r.size() == width; });
    if (even) return t;
    copy.emplace();
    copy->reserve(t.size());
    for (const auto& r : t) {
        CellRow row(r.begin(), r.begin() + static_cast<ptrdiff_t>(std::min(r.size(), width)));
        row.resize(width);
        copy->push_back(std::move(row));
    }
    return *copy;
}

/// Table.Cell(row, col), both 1-based.
Holder tableCell(const Holder& wordTable, int32_t row, int32_t col) {
    return Holder(wordTable
                      .InvokeHelper(w::kTableCell, InvokeKind::Method, automation::VT_DISPATCH,
                                    {Variant::I4(row), Variant::I4(col)})
                      .disp);
}

/// Cell.Merge(other): `cell` becomes the merged cell.
void mergeCells(const Holder& cell, const Holder& other) {
    cell.InvokeHelper(w::kCellMerge, InvokeKind::Method, automation::VT_EMPTY,
                      {Variant::Dispatch(other.get())});
}

/// Merges every run of equal texts along the actions of one table (list order, runs in order).
void mergeRuns(const Holder& wordTable, const Table& table, const std::vector<action>& list) {
    const int32_t rows = static_cast<int32_t>(table.size());
    const int32_t width = static_cast<int32_t>(table.front().size());
    for (const action& a : list) {
        if (a.type == noAction) break;
        if (a.type != unionRow && a.type != unionCol) continue;
        // Spans that reach outside the table are cut at its edge.
        const int32_t lines = a.type == unionRow ? rows : width;   // where `index` may lie
        const int32_t length = a.type == unionRow ? width : rows;  // positions along the span
        if (a.index < 0 || a.index >= lines) continue;
        int32_t end = a.ep == -1 ? length : std::min(a.ep, length);
        int32_t sp = std::max(a.sp, 0);
        if (sp >= end) continue;
        const action cut(a.type, a.index, sp, end);
        for (const auto& [start, stop] : findEqualRuns(table, cut)) {
            if (a.type == unionCol) {
                Holder cell = tableCell(wordTable, start + 1, a.index + 1);
                for (int32_t k = start + 2; k <= stop; ++k)
                    mergeCells(cell, tableCell(wordTable, k, a.index + 1));
                Holder range = cell.GetObject(w::kCellRange);
                range.SetProperty(
                    w::kRangeText,
                    automation::StrVariant(
                        table[static_cast<size_t>(start)][static_cast<size_t>(a.index)]));
                cell.SetProperty(w::kCellVerticalAlignment, Variant::I4(w::kVCenter));
            } else {
                Holder cell = tableCell(wordTable, a.index + 1, start + 1);
                mergeCells(cell, tableCell(wordTable, a.index + 1, stop));
                Holder range = cell.GetObject(w::kCellRange);
                range.SetProperty(
                    w::kRangeText,
                    automation::StrVariant(
                        table[static_cast<size_t>(a.index)][static_cast<size_t>(start)]));
                Holder paragraphs = range.GetObject(w::kRangeParagraphs);
                paragraphs.SetProperty(w::kParaAlignment, Variant::I4(w::kParaCenter));
            }
        }
    }
}

bool exportTables(const std::vector<String>& titles, const TableSet& tables,
                  const std::vector<std::vector<action>>* actions, bool portrait) {
    // 1. OLE for this thread.
    if (!automation::AfxOleInit()) {
        report(kMsgInitFailed);
        return false;
    }
    // 2. The document server.
    Holder app(ConnectServer("Word.Application"));
    if (app.empty()) {
        report(kMsgNoOffice);
        return false;
    }
    // 3. A new document (not kept: the steps below work on the active document).
    {
        Variant tmpl = automation::StrVariant("");
        Variant newTemplate = Variant::Bool(false);
        Variant docType = Variant::I4(0);
        Variant visible;  // no type
        Holder documents = app.GetObject(w::kAppDocuments);
        documents.InvokeHelper(w::kDocumentsAdd, InvokeKind::Method, automation::VT_DISPATCH,
                               {Variant::ByRef(&tmpl), Variant::ByRef(&newTemplate),
                                Variant::ByRef(&docType), Variant::ByRef(&visible)});
    }
    // 4. Hidden while it is built.
    app.SetProperty(w::kAppVisible, Variant::Bool(false));
    // 5. Print layout, in the pane's view unless the window is split.
    {
        Holder window = app.GetObject(w::kAppActiveWindow);
        Holder pane = window.GetObject(w::kWindowActivePane);
        Holder view = window.GetObject(w::kWindowView);
        if (view.GetProperty(w::kViewSplitSpecial, automation::VT_I4).lVal == 0) {
            view.DetachDispatch();
            view.AttachDispatch(pane.GetObject(w::kPaneView).get());
        }
        view.SetProperty(w::kViewType, Variant::I4(w::kPrintView));
    }
    // 6. The objects used below, and the font size and alignment to give back at the end.
    Holder doc = app.GetObject(w::kAppActiveDocument);
    Holder selection = app.GetObject(w::kAppSelection);
    Holder wordTables = doc.GetObject(w::kDocTables);
    Holder font = selection.GetObject(w::kSelFont);
    Holder paragraph = selection.GetObject(w::kSelParagraphFormat);
    Holder pageSetup = selection.GetObject(w::kSelPageSetup);
    const float savedSize = font.GetProperty(w::kFontSize, automation::VT_R4).fltVal;
    const int32_t savedAlign = paragraph.GetProperty(w::kParaAlignment, automation::VT_I4).lVal;
    if (!portrait) pageSetup.SetProperty(w::kPageOrientation, Variant::I4(w::kOrientLandscape));

    auto restoreAndShow = [&] {
        font.SetProperty(w::kFontSize, Variant::R4(savedSize));
        paragraph.SetProperty(w::kParaAlignment, Variant::I4(savedAlign));
        app.SetProperty(w::kAppVisible, Variant::Bool(true));
    };

    Variant unit = Variant::I2(w::kUnitCharacter);
    Variant count = Variant::I2(1);
    Variant extend = Variant::I2(w::kMove);
    auto moveRight = [&] {
        selection.InvokeHelper(
            w::kSelMoveRight, InvokeKind::Method, automation::VT_I4,
            {Variant::ByRef(&unit), Variant::ByRef(&count), Variant::ByRef(&extend)});
    };

    // 7. One title and table after the other.
    for (size_t i = 0; i < titles.size(); ++i) {
        // 8. The title, 16 pt and centred; the table's paragraphs stay centred.
        font.SetProperty(w::kFontSize, Variant::R4(kTitleSize));
        paragraph.SetProperty(w::kParaAlignment, Variant::I4(w::kParaCenter));
        selection.InvokeHelper(w::kSelTypeText, InvokeKind::Method, automation::VT_EMPTY,
                               {automation::StrVariant(titles[i])});
        selection.InvokeHelper(w::kSelTypeParagraph, InvokeKind::Method, automation::VT_EMPTY);
        font.SetProperty(w::kFontSize, Variant::R4(savedSize));
        paragraph.SetProperty(w::kParaAlignment, Variant::I4(w::kParaCenter));

        // 9. A missing table, or one without rows, cannot be drawn. The document is still given
        // back to the user: size and alignment restored, the server visible again.
        if (i >= tables.size() || tables[i].empty()) {
            report(kMsgTableError);
            restoreAndShow();
            return false;
        }
        std::optional<Table> padded;
        const Table& table = normalised(tables[i], padded);
        const int32_t rows = static_cast<int32_t>(table.size());
        const int32_t width = static_cast<int32_t>(table.front().size());

        // 10. The table at the insertion point, which then stands in its first cell.
        {
            Holder range = selection.GetObject(w::kSelRange);
            Variant behavior = Variant::I2(kTableBehavior);
            Variant autoFit = Variant::I2(kTableBehavior);
            wordTables.InvokeHelper(
                w::kTablesAdd, InvokeKind::Method, automation::VT_DISPATCH,
                {Variant::Dispatch(range.get()), Variant::I4(rows), Variant::I4(width),
                 Variant::ByRef(&behavior), Variant::ByRef(&autoFit)});
        }
        // 11. Cell after cell; one more move leaves the table for the next title.
        for (const auto& row : table) {
            for (int32_t c = 0; c < width; ++c) {
                selection.InvokeHelper(w::kSelTypeText, InvokeKind::Method, automation::VT_EMPTY,
                                       {automation::StrVariant(row[static_cast<size_t>(c)])});
                moveRight();
            }
        }
        moveRight();

        // 12. Merges.
        if (actions) {
            Holder wordTable(wordTables
                                 .InvokeHelper(w::kTablesItem, InvokeKind::Method,
                                               automation::VT_DISPATCH,
                                               {Variant::I4(static_cast<int32_t>(i) + 1)})
                                 .disp);
            if (i < actions->size()) mergeRuns(wordTable, table, (*actions)[i]);
        }
    }

    // 13. Every table of the document centred on the page.
    for (int32_t k = 1; k <= wordTables.GetProperty(w::kTablesCount, automation::VT_I4).lVal; ++k) {
        Holder item(wordTables
                        .InvokeHelper(w::kTablesItem, InvokeKind::Method, automation::VT_DISPATCH,
                                      {Variant::I4(k)})
                        .disp);
        Holder rowsOf = item.GetObject(w::kTableRows);
        rowsOf.SetProperty(w::kRowsAlignment, Variant::I4(w::kRowAlignCenter));
    }

    // 14. Give back size and alignment and show the document.
    restoreAndShow();
    return true;
}

}  // namespace

bool WordTable(const std::vector<String>& titles, const TableSet& tables,
               const std::vector<std::vector<action>>& actions, bool portrait) {
    return exportTables(titles, tables, &actions, portrait);
}

bool WordTable2(const std::vector<String>& titles, const TableSet& tables, bool portrait) {
    return exportTables(titles, tables, nullptr, portrait);
}

}  // namespace tq
