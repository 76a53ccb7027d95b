// The document server's member table.
#include "automation/word_ops.h"

namespace tq::automation::word {

namespace {

constexpr Member kMembers[] = {
    {"Application", kAppDocuments, "Documents", "Documents"},
    {"Application", kAppActiveDocument, "ActiveDocument", "Document"},
    {"Application", kAppActiveWindow, "ActiveWindow", "Window"},
    {"Application", kAppSelection, "Selection", "Selection"},
    {"Application", kAppVisible, "Visible", ""},
    {"Documents", kDocumentsAdd, "Add", "Document"},
    {"Documents", kDocumentsItem, "Item", "Document"},
    {"Documents", kDocumentsCount, "Count", ""},
    {"Document", kDocTables, "Tables", "Tables"},
    {"Document", kDocName, "Name", ""},
    {"Window", kWindowActivePane, "ActivePane", "Pane"},
    {"Window", kWindowView, "View", "View"},
    {"Pane", kPaneView, "View", "View"},
    {"View", kViewSplitSpecial, "SplitSpecial", ""},
    {"View", kViewType, "Type", ""},
    {"Selection", kSelFont, "Font", "Font"},
    {"Selection", kSelParagraphFormat, "ParagraphFormat", "ParagraphFormat"},
    {"Selection", kSelPageSetup, "PageSetup", "PageSetup"},
    {"Selection", kSelRange, "Range", "Range"},
    {"Selection", kSelTypeText, "TypeText", ""},
    {"Selection", kSelTypeParagraph, "TypeParagraph", ""},
    {"Selection", kSelMoveRight, "MoveRight", ""},
    {"Font", kFontSize, "Size", ""},
    {"ParagraphFormat", kParaAlignment, "Alignment", ""},
    {"Paragraphs", kParaAlignment, "Alignment", ""},
    {"PageSetup", kPageOrientation, "Orientation", ""},
    {"Tables", kTablesAdd, "Add", "Table"},
    {"Tables", kTablesItem, "Item", "Table"},
    {"Tables", kTablesCount, "Count", ""},
    {"Table", kTableCell, "Cell", "Cell"},
    {"Table", kTableRows, "Rows", "Rows"},
    {"Rows", kRowsAlignment, "Alignment", ""},
    {"Rows", kRowsCount, "Count", ""},
    {"Cell", kCellMerge, "Merge", ""},
    {"Cell", kCellRange, "Range", "Range"},
    {"Cell", kCellVerticalAlignment, "VerticalAlignment", ""},
    {"Range", kRangeText, "Text", ""},
    {"Range", kRangeParagraphs, "Paragraphs", "Paragraphs"},
};

constexpr MemberTable kTable{kMembers};

}  // namespace

const MemberTable& Members() {
    return kTable;
}

}  // namespace tq::automation::word
