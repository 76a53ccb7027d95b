// The document engine's in-memory document: a body of paragraphs and tables, one section, and
// the insertion point that typing works at. The automation objects (word_engine.cpp) edit it and
// the package writer (docx_writer.cpp) saves it as WordprocessingML.
//
// Text is kept as UTF-16, so that "one character" means what it means to the automation caller.
// Table cells are addressed on the table's grid (0-based here); a merged area is a rectangle of
// grid positions that all answer for the area's top-left cell.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/word_ops.h"

namespace tq::office::word {

// Alignments are kept as the automation values.
using automation::word::CellVAlign;
using automation::word::ParaAlign;
using enum automation::word::CellVAlign;
using enum automation::word::ParaAlign;

inline constexpr float kDefaultFontSize = 10.5f;

/// A stretch of text with one font size.
struct Run {
    std::u16string text;
    float size = kDefaultFontSize;
};

struct Paragraph {
    std::vector<Run> runs;
    int32_t align = kParaLeft;
    float markSize = kDefaultFontSize;  // size of the paragraph mark (an empty paragraph's height)

    size_t length() const;
    std::u16string text() const;
    /// Inserts `s` at character `pos` in size `size`, joining a neighbouring run of that size.
    void insert(size_t pos, const std::u16string& s, float size);
    /// Splits at character `pos`: this paragraph keeps the text before, the returned one (same
    /// alignment) gets the text after.
    Paragraph splitAt(size_t pos);
};

/// One merged area (or a single cell): its rectangle on the grid and its content.
struct CellArea {
    uint32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;  // both ends included
    int32_t vAlign = kVTop;
    std::vector<Paragraph> paras;  // at least one
};

struct TableData {
    uint32_t rows = 0, cols = 0;
    std::vector<CellArea> areas;  // areas[i] dead when its paras are empty
    std::vector<uint32_t> grid;   // rows * cols: index into areas
    int32_t rowAlign = 0;         // wdAlignRowLeft 0, Center 1, Right 2
    int32_t defaultBehavior = 1;  // 0: Word 8 table, 1: Word 9 table
    int32_t autoFit = 0;          // 0 fixed, 1 content, 2 window

    TableData(uint32_t rows, uint32_t cols, const Paragraph& proto);
    uint32_t areaAt(uint32_t r, uint32_t c) const { return grid[r * cols + c]; }
    CellArea& at(uint32_t r, uint32_t c) { return areas[areaAt(r, c)]; }
    /// Merges the areas of (ra, ca) and (rb, cb) into the rectangle they span. Returns false,
    /// changing nothing, when that rectangle would cut another merged area (not a rectangle).
    bool merge(uint32_t ra, uint32_t ca, uint32_t rb, uint32_t cb);
    /// The next area after the one at (r, c) in reading order; false after the last.
    bool nextArea(uint32_t& r, uint32_t& c) const;
};

/// A body block: a paragraph or a table.
struct Block {
    Paragraph para;                    // when !table
    std::shared_ptr<TableData> table;  // a table block
};

/// The insertion point: a body paragraph, or a paragraph of a table cell.
struct Position {
    size_t block = 0;
    bool inTable = false;
    uint32_t row = 0, col = 0;  // grid position of the cell (inTable)
    size_t para = 0;            // paragraph within the cell (inTable)
    size_t offset = 0;          // character offset in the paragraph
};

struct Document {
    std::u16string name;  // "Document1" ...
    std::vector<Block> body;
    Position sel;
    float fontSize = kDefaultFontSize;  // size of the text typed next
    int32_t orientation = 0;            // 0 portrait, 1 landscape
    bool orientationSet = false;
    int32_t viewType = 3;  // wdPrintView
    bool visible = true;
    bool shown = false;     // saved to the show folder already
    std::string shownFile;  // where it was saved then (UTF-8)

    Document();
    Paragraph& paraAt(const Position& p);
    const Paragraph& paraAt(const Position& p) const;
    /// Checks that a position still names an existing paragraph and offset.
    bool valid(const Position& p) const;
    /// Top-level tables in document order.
    std::vector<std::shared_ptr<TableData>> tables() const;

    // ---- Typing at the insertion point ----

    /// Inserts `s` at the insertion point in the current font size and moves past it. A carriage
    /// return or line feed (CR LF counts once) starts a new paragraph.
    void typeText(const std::u16string& s);
    /// Ends the paragraph at the insertion point; the new paragraph keeps its alignment.
    void typeParagraph();
    /// Moves the insertion point `count` characters to the right: within a paragraph, to the next
    /// paragraph, from the end of a cell to the next cell, from the last cell of a table to the
    /// paragraph after it. Returns the number of moves made (fewer at the end of the document).
    int moveRight(int count);
    /// Moves the insertion point to the next cell (to the paragraph after the table from the
    /// last). Returns false when the insertion point is not in a table.
    bool moveToNextCell();
    /// Inserts a table at body position `at` (a body paragraph): before that paragraph when `at`
    /// is at its start, otherwise after the text before `at`, which stays a paragraph of its own.
    /// The cells take the paragraph's formatting; the insertion point goes to the first cell.
    std::shared_ptr<TableData> addTable(const Position& at, uint32_t rows, uint32_t cols);
    /// After a merge: keeps the insertion point on an existing cell paragraph.
    void fixSelection();
    /// The font size at the insertion point: of the character before it, else of the paragraph
    /// mark.
    float sizeAt(const Position& p) const;
};

/// Page geometry in twentieths of a point (A4, margins as a new document has them).
struct PageGeometry {
    int32_t width, height, top, bottom, left, right;
};
PageGeometry pageGeometry(const Document& doc);

/// Writes the document as a .docx package to `osPath` (UTF-8), replacing the file. Raises
/// tq::AutomationError when the file cannot be written.
void saveDocx(const Document& doc, const std::string& osPath);

}  // namespace tq::office::word
