// The document server's members that the library calls, by dispatch identifier, and their one
// table (names, result types). The same numbers are answered by the embedded document engine.
#pragma once

#include "automation/member_table.h"

namespace tq::automation::word {

// Application
inline constexpr DISPID kAppDocuments = 0x6;       // get -> Documents
inline constexpr DISPID kAppActiveDocument = 0x3;  // get -> Document
inline constexpr DISPID kAppActiveWindow = 0x4;    // get -> Window
inline constexpr DISPID kAppSelection = 0x5;       // get -> Selection
inline constexpr DISPID kAppVisible = 0x17;        // put bool

// Documents
inline constexpr DISPID kDocumentsAdd =
    0xE;  // Template, NewTemplate, DocumentType, Visible (by ref)
inline constexpr DISPID kDocumentsItem = 0x0;   // method (Index, 1-based) -> Document
inline constexpr DISPID kDocumentsCount = 0x2;  // get int32

// Document
inline constexpr DISPID kDocTables = 0x6;  // get -> Tables
inline constexpr DISPID kDocName = 0x0;    // get string

// Window
inline constexpr DISPID kWindowActivePane = 0x1;  // get -> Pane
inline constexpr DISPID kWindowView = 0xE;        // get -> View

// Pane
inline constexpr DISPID kPaneView = 0xA;  // get -> View

// View
inline constexpr DISPID kViewSplitSpecial = 0x1D;  // get int32
inline constexpr DISPID kViewType = 0x0;           // put int32

// Selection
inline constexpr DISPID kSelFont = 0x5;               // get -> Font
inline constexpr DISPID kSelParagraphFormat = 0x44E;  // get -> ParagraphFormat
inline constexpr DISPID kSelPageSetup = 0x44D;        // get -> PageSetup
inline constexpr DISPID kSelRange = 0x190;            // get -> Range
inline constexpr DISPID kSelTypeText = 0x1FB;         // method (Text)
inline constexpr DISPID kSelTypeParagraph = 0x200;    // method
inline constexpr DISPID kSelMoveRight = 0x1F5;  // method (Unit, Count, Extend by ref) -> int32

// Font
inline constexpr DISPID kFontSize = 0x8D;  // get/put float32

// ParagraphFormat, Paragraphs
inline constexpr DISPID kParaAlignment = 0x65;  // get/put int32

// PageSetup
inline constexpr DISPID kPageOrientation = 0x6B;  // put int32

// Tables
inline constexpr DISPID kTablesAdd = 0xC8;   // Range, NumRows, NumColumns, DefaultTableBehavior,
                                             // AutoFitBehavior (by ref) -> Table
inline constexpr DISPID kTablesItem = 0x0;   // method (Index, 1-based) -> Table
inline constexpr DISPID kTablesCount = 0x2;  // get int32

// Table
inline constexpr DISPID kTableCell = 0x11;  // method (Row, Column, 1-based) -> Cell
inline constexpr DISPID kTableRows = 0x65;  // get -> Rows

// Rows
inline constexpr DISPID kRowsAlignment = 0x4;  // put int32
inline constexpr DISPID kRowsCount = 0x2;      // get int32

// Cell
inline constexpr DISPID kCellMerge = 0xCC;               // method (MergeTo: Cell)
inline constexpr DISPID kCellRange = 0x0;                // get -> Range
inline constexpr DISPID kCellVerticalAlignment = 0x450;  // put int32

// Range
inline constexpr DISPID kRangeText = 0x0;         // put string
inline constexpr DISPID kRangeParagraphs = 0x3B;  // get -> Paragraphs

// Values of enumerated properties.
/// Paragraph alignment (wdAlignParagraphLeft 0, Center 1 ...).
enum ParaAlign : int32_t {
    kParaLeft = 0,
    kParaCenter = 1,
    kParaRight = 2,
    kParaJustify = 3,
    kParaDistribute = 4,
    kParaJustifyMed = 5,
    kParaJustifyHi = 7,
    kParaJustifyLow = 8,
    kParaThaiJustify = 9,
};
/// Cell vertical alignment (wdCellAlignVerticalTop 0, Center 1, Bottom 3).
enum CellVAlign : int32_t { kVTop = 0, kVCenter = 1, kVBottom = 3 };
inline constexpr int32_t kPrintView = 3;        // wdPrintView
inline constexpr int32_t kOrientLandscape = 1;  // wdOrientLandscape
inline constexpr int32_t kRowAlignCenter = 1;   // wdAlignRowCenter
inline constexpr int16_t kUnitCharacter = 1;    // wdCharacter
inline constexpr int16_t kMove = 0;             // wdMove (do not extend)

/// The document server's member table (every member above, with the object type it returns).
const MemberTable& Members();

}  // namespace tq::automation::word
