// The document engine's in-memory document: paragraph editing, table grids and merged areas.
#include "office/document/word_document.h"

#include <algorithm>

namespace tq::office::word {

size_t Paragraph::length() const {
    size_t n = 0;
    for (const auto& r : runs) n += r.text.size();
    return n;
}

std::u16string Paragraph::text() const {
    std::u16string s;
    for (const auto& r : runs) s += r.text;
    return s;
}

void Paragraph::insert(size_t pos, const std::u16string& s, float size) {
    if (s.empty()) return;
    // Find the run that holds position `pos` (a position at a run boundary belongs to the run
    // before it, so typed text continues the text it follows).
    size_t at = 0;
    size_t i = 0;
    for (; i < runs.size(); ++i) {
        if (pos <= at + runs[i].text.size()) break;
        at += runs[i].text.size();
    }
    if (i == runs.size()) {  // empty paragraph, or past the end: append
        if (!runs.empty() && runs.back().size == size)
            runs.back().text += s;
        else
            runs.push_back(Run{s, size});
        return;
    }
    size_t inRun = pos - at;
    Run& r = runs[i];
    if (r.size == size) {
        r.text.insert(inRun, s);
        return;
    }
    if (inRun == r.text.size()) {
        if (i + 1 < runs.size() && runs[i + 1].size == size)
            runs[i + 1].text.insert(0, s);
        else
            runs.insert(runs.begin() + static_cast<ptrdiff_t>(i) + 1, Run{s, size});
        return;
    }
    if (inRun == 0) {
        runs.insert(runs.begin() + static_cast<ptrdiff_t>(i), Run{s, size});
        return;
    }
    Run tail{r.text.substr(inRun), r.size};
    r.text.resize(inRun);
    auto it = runs.begin() + static_cast<ptrdiff_t>(i) + 1;
    it = runs.insert(it, Run{s, size});
    runs.insert(it + 1, std::move(tail));
}

Paragraph Paragraph::splitAt(size_t pos) {
    Paragraph after;
    after.align = align;
    after.markSize = markSize;
    size_t at = 0;
    std::vector<Run> keep;
    for (auto& r : runs) {
        size_t len = r.text.size();
        if (at + len <= pos) {
            keep.push_back(std::move(r));
        } else if (at >= pos) {
            after.runs.push_back(std::move(r));
        } else {
            size_t cut = pos - at;
            after.runs.push_back(Run{r.text.substr(cut), r.size});
            r.text.resize(cut);
            keep.push_back(std::move(r));
        }
        at += len;
    }
    runs = std::move(keep);
    return after;
}

TableData::TableData(uint32_t nrows, uint32_t ncols, const Paragraph& proto)
    : rows(nrows), cols(ncols) {
    areas.reserve(size_t{nrows} * ncols);
    grid.resize(size_t{nrows} * ncols);
    for (uint32_t r = 0; r < nrows; ++r)
        for (uint32_t c = 0; c < ncols; ++c) {
            CellArea a;
            a.r1 = a.r2 = r;
            a.c1 = a.c2 = c;
            a.paras.push_back(proto);
            grid[size_t{r} * ncols + c] = static_cast<uint32_t>(areas.size());
            areas.push_back(std::move(a));
        }
}

namespace {
bool isBlank(const std::vector<Paragraph>& paras) {
    for (const auto& p : paras)
        if (p.length() != 0) return false;
    return true;
}
}  // namespace

bool TableData::merge(uint32_t ra, uint32_t ca, uint32_t rb, uint32_t cb) {
    const CellArea& a = at(ra, ca);
    const CellArea& b = at(rb, cb);
    uint32_t r1 = std::min(a.r1, b.r1), c1 = std::min(a.c1, b.c1);
    uint32_t r2 = std::max(a.r2, b.r2), c2 = std::max(a.c2, b.c2);
    // Every area the rectangle touches must lie wholly inside it.
    std::vector<uint32_t> inside;  // areas in reading order of their top-left cells
    for (uint32_t r = r1; r <= r2; ++r)
        for (uint32_t c = c1; c <= c2; ++c) {
            uint32_t id = areaAt(r, c);
            const CellArea& x = areas[id];
            if (x.r1 < r1 || x.c1 < c1 || x.r2 > r2 || x.c2 > c2) return false;
            if (x.r1 == r && x.c1 == c) inside.push_back(id);
        }
    if (inside.size() == 1) return true;  // already one area
    uint32_t keep = inside.front();       // the area at the rectangle's top-left
    // The texts of the merged cells are kept, one after the other; empty cells add nothing.
    std::vector<Paragraph> paras;
    for (uint32_t id : inside) {
        if (isBlank(areas[id].paras)) continue;
        for (auto& p : areas[id].paras) paras.push_back(std::move(p));
    }
    if (paras.empty()) paras = std::move(areas[keep].paras);
    for (uint32_t id : inside) areas[id].paras.clear();
    CellArea& k = areas[keep];
    k.paras = std::move(paras);
    k.r1 = r1;
    k.c1 = c1;
    k.r2 = r2;
    k.c2 = c2;
    for (uint32_t r = r1; r <= r2; ++r)
        for (uint32_t c = c1; c <= c2; ++c) grid[size_t{r} * cols + c] = keep;
    return true;
}

bool TableData::nextArea(uint32_t& r, uint32_t& c) const {
    uint32_t cur = areaAt(r, c);
    size_t pos = size_t{r} * cols + c + 1;
    for (; pos < grid.size(); ++pos) {
        uint32_t id = grid[pos];
        uint32_t pr = static_cast<uint32_t>(pos / cols), pc = static_cast<uint32_t>(pos % cols);
        if (id != cur && areas[id].r1 == pr && areas[id].c1 == pc) {
            r = pr;
            c = pc;
            return true;
        }
    }
    return false;
}

Document::Document() {
    body.push_back(Block{});
}

Paragraph& Document::paraAt(const Position& p) {
    Block& b = body[p.block];
    if (!p.inTable) return b.para;
    return b.table->at(p.row, p.col).paras[p.para];
}

bool Document::valid(const Position& p) const {
    if (p.block >= body.size()) return false;
    const Block& b = body[p.block];
    if (p.inTable != static_cast<bool>(b.table)) return false;
    if (!p.inTable) return p.offset <= b.para.length();
    const TableData& t = *b.table;
    if (p.row >= t.rows || p.col >= t.cols) return false;
    const CellArea& a = t.areas[t.areaAt(p.row, p.col)];
    return p.para < a.paras.size() && p.offset <= a.paras[p.para].length();
}

std::vector<std::shared_ptr<TableData>> Document::tables() const {
    std::vector<std::shared_ptr<TableData>> out;
    for (const auto& b : body)
        if (b.table) out.push_back(b.table);
    return out;
}

PageGeometry pageGeometry(const Document& doc) {
    // A4; turning the page to landscape swaps the sides and turns the margins with the page.
    if (doc.orientation == 1) return PageGeometry{16838, 11906, 1800, 1800, 1440, 1440};
    return PageGeometry{11906, 16838, 1440, 1440, 1800, 1800};
}

}  // namespace tq::office::word

namespace tq::office::word {

const Paragraph& Document::paraAt(const Position& p) const {
    return const_cast<Document*>(this)->paraAt(p);
}

float Document::sizeAt(const Position& p) const {
    const Paragraph& para = paraAt(p);
    if (p.offset == 0) return para.markSize;
    size_t at = 0;
    for (const auto& r : para.runs) {
        if (p.offset <= at + r.text.size() && !r.text.empty()) return r.size;
        at += r.text.size();
    }
    return para.markSize;
}

void Document::typeText(const std::u16string& s) {
    size_t i = 0;
    while (i <= s.size()) {
        size_t j = s.find_first_of(u"\r\n", i);
        size_t end = j == std::u16string::npos ? s.size() : j;
        if (end > i) {
            std::u16string piece = s.substr(i, end - i);
            paraAt(sel).insert(sel.offset, piece, fontSize);
            sel.offset += piece.size();
        }
        if (j == std::u16string::npos) break;
        typeParagraph();
        i = j + 1;
        if (s[j] == u'\r' && i < s.size() && s[i] == u'\n') ++i;
    }
}

void Document::typeParagraph() {
    Paragraph& para = paraAt(sel);
    Paragraph after = para.splitAt(sel.offset);
    after.markSize = fontSize;
    if (para.length() == 0) para.markSize = fontSize;
    if (sel.inTable) {
        auto& paras = body[sel.block].table->at(sel.row, sel.col).paras;
        paras.insert(paras.begin() + static_cast<ptrdiff_t>(sel.para) + 1, std::move(after));
        ++sel.para;
    } else {
        Block b;
        b.para = std::move(after);
        body.insert(body.begin() + static_cast<ptrdiff_t>(sel.block) + 1, std::move(b));
        ++sel.block;
    }
    sel.offset = 0;
}

namespace {
/// The start of block `block`: its paragraph, or the first cell of its table.
Position blockStart(size_t block, bool isTable) {
    Position p;
    p.block = block;
    p.inTable = isTable;
    return p;
}
}  // namespace

bool Document::moveToNextCell() {
    if (!sel.inTable) return false;
    const TableData& t = *body[sel.block].table;
    uint32_t r = sel.row, c = sel.col;
    if (t.nextArea(r, c)) {
        sel.row = r;
        sel.col = c;
        sel.para = 0;
        sel.offset = 0;
    } else {
        // A table is always followed by a block.
        size_t next = sel.block + 1;
        sel = blockStart(next, static_cast<bool>(body[next].table));
    }
    fontSize = sizeAt(sel);
    return true;
}

int Document::moveRight(int count) {
    int moved = 0;
    for (; moved < count; ++moved) {
        const Paragraph& para = paraAt(sel);
        if (sel.offset < para.length()) {
            ++sel.offset;
        } else if (sel.inTable) {
            const auto& paras = body[sel.block].table->at(sel.row, sel.col).paras;
            if (sel.para + 1 < paras.size()) {
                ++sel.para;
                sel.offset = 0;
            } else {
                moveToNextCell();
            }
        } else if (sel.block + 1 < body.size()) {
            size_t next = sel.block + 1;
            sel = blockStart(next, static_cast<bool>(body[next].table));
        } else {
            break;  // end of the document
        }
    }
    fontSize = sizeAt(sel);
    return moved;
}

std::shared_ptr<TableData> Document::addTable(const Position& at, uint32_t rows, uint32_t cols) {
    Paragraph& para = body[at.block].para;
    Paragraph proto;
    proto.align = para.align;
    proto.markSize = para.markSize;
    auto table = std::make_shared<TableData>(rows, cols, proto);
    Block tb;
    tb.table = table;
    size_t where = at.block;
    if (at.offset > 0) {
        Block rest;
        rest.para = para.splitAt(at.offset);
        body.insert(body.begin() + static_cast<ptrdiff_t>(at.block) + 1, std::move(rest));
        where = at.block + 1;
    }
    body.insert(body.begin() + static_cast<ptrdiff_t>(where), std::move(tb));
    sel = blockStart(where, true);
    fontSize = sizeAt(sel);
    return table;
}

void Document::fixSelection() {
    if (sel.block >= body.size()) sel = Position{};
    if (sel.inTable != static_cast<bool>(body[sel.block].table)) {
        sel = blockStart(sel.block, static_cast<bool>(body[sel.block].table));
        return;
    }
    if (!sel.inTable) {
        if (!valid(sel)) sel.offset = paraAt(sel).length();
        return;
    }
    const TableData& t = *body[sel.block].table;
    const CellArea& a = t.areas[t.areaAt(sel.row, sel.col)];
    if (sel.row != a.r1 || sel.col != a.c1 || !valid(sel)) {
        sel.row = a.r1;
        sel.col = a.c1;
        sel.para = 0;
        sel.offset = 0;
    }
}

}  // namespace tq::office::word
