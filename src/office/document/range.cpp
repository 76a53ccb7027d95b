// The document engine's Range and Paragraphs objects: the text of a table cell or of the
// insertion point, and the alignment of its paragraphs.
#include <algorithm>

#include "office/document/document_objects.h"

namespace tq::office::word {

void Obj::notFound(DISPID id, InvokeKind kind) const {
    fail(hresult::DISP_E_MEMBERNOTFOUND_, id,
         kind == InvokeKind::PropertyPut ? "this property cannot be set" : "no such member");
}

const Variant& Obj::need(std::span<const Variant> args, size_t i, DISPID id) const {
    const Variant* v = arg(args, i);
    if (!v)
        fail(hresult::DISP_E_PARAMNOTFOUND_, id, "argument " + std::to_string(i + 1) + " missing");
    return *v;
}

int32_t Obj::putChoice(std::span<const Variant> args, DISPID id,
                       std::initializer_list<int32_t> allowed) const {
    int32_t v = ToInt32(PutValue(args, member(id)), member(id));
    if (std::find(allowed.begin(), allowed.end(), v) == allowed.end())
        fail(hresult::E_INVALIDARG_, id, "value out of range");
    return v;
}

int32_t Obj::putParagraphAlignment(std::span<const Variant> args, DISPID id) const {
    return putChoice(args, id,
                     {kParaLeft, kParaCenter, kParaRight, kParaJustify, kParaDistribute,
                      kParaJustifyMed, kParaJustifyHi, kParaJustifyLow, kParaThaiJustify});
}

namespace {

/// The paragraphs of a range: those of a cell, or the one an insertion point stands in.
class ParagraphsObj : public Obj {
  public:
    ParagraphsObj(DocPtr doc, TablePtr table, uint32_t r, uint32_t c, Position pos)
        : Obj("Paragraphs"),
          doc_(std::move(doc)),
          table_(std::move(table)),
          r_(r),
          c_(c),
          pos_(pos) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id != ops::kParaAlignment || !(isGet(kind) || isPut(kind))) notFound(id, kind);
        std::vector<Paragraph*> ps = paragraphs(id);
        if (isGet(kind)) {
            // Mixed alignments answer wdUndefined, as the document server does.
            int32_t a = ps.front()->align;
            for (auto* p : ps)
                if (p->align != a) return Variant::I4(9999999);
            return Variant::I4(a);
        }
        int32_t a = putParagraphAlignment(args, id);
        for (auto* p : ps) p->align = a;
        return {};
    }

  private:
    std::vector<Paragraph*> paragraphs(DISPID id) {
        std::vector<Paragraph*> out;
        if (table_) {
            for (auto& p : table_->at(r_, c_).paras) out.push_back(&p);
        } else {
            if (!doc_->valid(pos_))
                fail(hresult::DISP_E_EXCEPTION_, id, "the range no longer exists");
            out.push_back(&doc_->paraAt(pos_));
        }
        return out;
    }
    DocPtr doc_;
    TablePtr table_;
    uint32_t r_, c_;
    Position pos_;
};

/// A range: the content of a cell, or an insertion point (the selection's range).
class RangeObj : public Obj {
  public:
    RangeObj(DocPtr doc, TablePtr table, uint32_t r, uint32_t c)
        : Obj("Range"), doc_(std::move(doc)), table_(std::move(table)), r_(r), c_(c) {}
    RangeObj(DocPtr doc, Position pos) : Obj("Range"), doc_(std::move(doc)), pos_(pos) {}

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kRangeText && isPut(kind)) {
            setText(ToUtf16(PutValue(args, member(id)), member(id)));
            return {};
        }
        if (id == ops::kRangeText && isGet(kind)) return Variant::Str(getText());
        if (id == ops::kRangeParagraphs && isGet(kind))
            return MakeObject<ParagraphsObj>(doc_, table_, r_, c_, pos_);
        notFound(id, kind);
    }

    const DocPtr& doc() const { return doc_; }
    bool inCell() const { return static_cast<bool>(table_); }
    const Position& pos() const { return pos_; }

  private:
    void setText(const std::u16string& s) {
        if (!table_) {
            // Text given to an insertion point is typed there.
            if (!doc_->valid(pos_))
                fail(hresult::DISP_E_EXCEPTION_, ops::kRangeText, "the range no longer exists");
            doc_->sel = pos_;
            doc_->typeText(s);
            return;
        }
        // A cell's text is replaced whole; the new text takes the format of the cell's first
        // character (or of its first paragraph mark).
        CellArea& a = table_->at(r_, c_);
        const Paragraph& first = a.paras.front();
        Paragraph proto;
        proto.align = first.align;
        proto.markSize = first.markSize;
        float size = first.runs.empty() ? first.markSize : first.runs.front().size;
        std::vector<Paragraph> paras;
        size_t i = 0;
        while (true) {
            size_t j = s.find_first_of(u"\r\n", i);
            size_t end = j == std::u16string::npos ? s.size() : j;
            Paragraph p = proto;
            if (end > i) p.runs.push_back(Run{s.substr(i, end - i), size});
            paras.push_back(std::move(p));
            if (j == std::u16string::npos) break;
            i = j + 1;
            if (s[j] == u'\r' && i < s.size() && s[i] == u'\n') ++i;
            if (i >= s.size()) break;  // a final paragraph mark ends the text
        }
        a.paras = std::move(paras);
        doc_->fixSelection();
    }
    std::u16string getText() const {
        if (!table_) return {};
        std::u16string s;
        for (const auto& p : table_->at(r_, c_).paras) {
            s += p.text();
            s += u'\r';
        }
        s += u'\a';  // the end-of-cell mark
        return s;
    }
    DocPtr doc_;
    TablePtr table_;
    uint32_t r_ = 0, c_ = 0;
    Position pos_;
};

}  // namespace

Variant MakeRange(const DocPtr& doc, const Position& pos) {
    return MakeObject<RangeObj>(doc, pos);
}

Variant MakeCellRange(const DocPtr& doc, const TablePtr& table, uint32_t r, uint32_t c) {
    return MakeObject<RangeObj>(doc, table, r, c);
}

bool RangeInsertionPoint(const DispatchPtr& range, DocPtr& doc, Position& pos, bool& inCell) {
    auto* r = dynamic_cast<RangeObj*>(range.get());
    if (!r) return false;
    doc = r->doc();
    pos = r->pos();
    inCell = r->inCell();
    return true;
}

}  // namespace tq::office::word
