// The document engine's Selection and the formats it reaches: Font (the size of the text typed
// next), ParagraphFormat (the alignment of the insertion point's paragraph) and PageSetup (the
// orientation). Typing text and paragraphs, and moving right by characters or cells.
#include "office/document/document_objects.h"

namespace tq::office::word {

namespace {

class FontObj : public Obj {
  public:
    explicit FontObj(DocPtr doc) : Obj("Font"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kFontSize && isGet(kind)) return Variant::R4(doc_->fontSize);
        if (id == ops::kFontSize && isPut(kind)) {
            double v = ToDouble(PutValue(args, member(id)), member(id));
            if (!(v >= 1 && v <= 1638)) fail(hresult::E_INVALIDARG_, id, "value out of range");
            doc_->fontSize = static_cast<float>(v);
            // On an empty paragraph the size goes to its mark as well.
            Paragraph& p = doc_->paraAt(doc_->sel);
            if (p.length() == 0) p.markSize = doc_->fontSize;
            return {};
        }
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class ParagraphFormatObj : public Obj {
  public:
    explicit ParagraphFormatObj(DocPtr doc) : Obj("ParagraphFormat"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kParaAlignment && isGet(kind))
            return Variant::I4(doc_->paraAt(doc_->sel).align);
        if (id == ops::kParaAlignment && isPut(kind)) {
            doc_->paraAt(doc_->sel).align = putParagraphAlignment(args, id);
            return {};
        }
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class PageSetupObj : public Obj {
  public:
    explicit PageSetupObj(DocPtr doc) : Obj("PageSetup"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kPageOrientation && isPut(kind)) {
            doc_->orientation = putChoice(args, id, {0, 1});
            doc_->orientationSet = true;
            return {};
        }
        if (id == ops::kPageOrientation && isGet(kind)) return Variant::I4(doc_->orientation);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class SelectionObj : public Obj {
  public:
    explicit SelectionObj(DocPtr doc) : Obj("Selection"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (isGet(kind)) {
            switch (id) {
                case ops::kSelFont:
                    return MakeObject<FontObj>(doc_);
                case ops::kSelParagraphFormat:
                    return MakeObject<ParagraphFormatObj>(doc_);
                case ops::kSelPageSetup:
                    return MakeObject<PageSetupObj>(doc_);
                case ops::kSelRange:
                    return MakeRange(doc_, doc_->sel);
                default:
                    break;
            }
        }
        if (isCall(kind)) {
            switch (id) {
                case ops::kSelTypeText:
                    doc_->typeText(ToUtf16(need(args, 0, id), member(id)));
                    return {};
                case ops::kSelTypeParagraph:
                    doc_->typeParagraph();
                    return {};
                case ops::kSelMoveRight:
                    return moveRight(args);
                default:
                    break;
            }
        }
        notFound(id, kind);
    }

  private:
    Variant moveRight(std::span<const Variant> args) {
        const DISPID id = ops::kSelMoveRight;
        int32_t unit = 1, count = 1, extend = 0;
        if (const Variant* v = arg(args, 0)) unit = ToInt32(*v, member(id));
        if (const Variant* v = arg(args, 1)) count = ToInt32(*v, member(id));
        if (const Variant* v = arg(args, 2)) extend = ToInt32(*v, member(id));
        if (extend != 0) fail(hresult::E_NOTIMPL_, id, "extending the selection is not supported");
        if (count < 0) fail(hresult::E_NOTIMPL_, id, "moving left is not supported");
        if (unit == 1) return Variant::I4(doc_->moveRight(count));  // characters
        if (unit == 12) {                                           // cells
            int32_t moved = 0;
            while (moved < count && doc_->sel.inTable && doc_->moveToNextCell()) ++moved;
            return Variant::I4(moved);
        }
        fail(hresult::E_NOTIMPL_, id, "unit " + std::to_string(unit) + " is not supported");
    }
    DocPtr doc_;
};

}  // namespace

Variant MakeSelection(const DocPtr& doc) {
    return MakeObject<SelectionObj>(doc);
}

}  // namespace tq::office::word
