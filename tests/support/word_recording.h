// The document server's object model for the recording automation double: member names and the
// object types their gets and methods return, so that a recorded "Word.Application" answers the
// document exporter's calls with objects and logs them by name.
#pragma once

#include "automation/word_ops.h"
#include "support/recording_server.h"

namespace wordtest {

inline void DefineWordModel(tqtest::RecordingServer& rec) {
    namespace w = tq::automation::word;
    rec.DefineMember("Application", w::kAppDocuments, "Documents", "Documents");
    rec.DefineMember("Application", w::kAppActiveDocument, "ActiveDocument", "Document");
    rec.DefineMember("Application", w::kAppActiveWindow, "ActiveWindow", "Window");
    rec.DefineMember("Application", w::kAppSelection, "Selection", "Selection");
    rec.DefineMember("Application", w::kAppVisible, "Visible");
    rec.DefineMember("Documents", w::kDocumentsAdd, "Add", "Document");
    rec.DefineMember("Document", w::kDocTables, "Tables", "Tables");
    rec.DefineMember("Window", w::kWindowActivePane, "ActivePane", "Pane");
    rec.DefineMember("Window", w::kWindowView, "View", "View");
    rec.DefineMember("Pane", w::kPaneView, "View", "View");
    rec.DefineMember("View", w::kViewSplitSpecial, "SplitSpecial");
    rec.DefineMember("View", w::kViewType, "Type");
    rec.DefineMember("Selection", w::kSelFont, "Font", "Font");
    rec.DefineMember("Selection", w::kSelParagraphFormat, "ParagraphFormat", "ParagraphFormat");
    rec.DefineMember("Selection", w::kSelPageSetup, "PageSetup", "PageSetup");
    rec.DefineMember("Selection", w::kSelRange, "Range", "Range");
    rec.DefineMember("Selection", w::kSelTypeText, "TypeText");
    rec.DefineMember("Selection", w::kSelTypeParagraph, "TypeParagraph");
    rec.DefineMember("Selection", w::kSelMoveRight, "MoveRight");
    rec.DefineMember("Font", w::kFontSize, "Size");
    rec.DefineMember("ParagraphFormat", w::kParaAlignment, "Alignment");
    rec.DefineMember("Paragraphs", w::kParaAlignment, "Alignment");
    rec.DefineMember("PageSetup", w::kPageOrientation, "Orientation");
    rec.DefineMember("Tables", w::kTablesAdd, "Add", "Table");
    rec.DefineMember("Tables", w::kTablesItem, "Item", "Table");
    rec.DefineMember("Tables", w::kTablesCount, "Count");
    rec.DefineMember("Table", w::kTableCell, "Cell", "Cell");
    rec.DefineMember("Table", w::kTableRows, "Rows", "Rows");
    rec.DefineMember("Rows", w::kRowsAlignment, "Alignment");
    rec.DefineMember("Cell", w::kCellMerge, "Merge");
    rec.DefineMember("Cell", w::kCellRange, "Range", "Range");
    rec.DefineMember("Cell", w::kCellVerticalAlignment, "VerticalAlignment");
    rec.DefineMember("Range", w::kRangeText, "Text");
    rec.DefineMember("Range", w::kRangeParagraphs, "Paragraphs", "Paragraphs");
}

}  // namespace wordtest
