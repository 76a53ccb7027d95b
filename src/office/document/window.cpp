// The document engine's Window, Pane and View objects: the view type of the document's window.
#include "office/document/document_objects.h"

namespace tq::office::word {

namespace {

class ViewObj : public Obj {
  public:
    explicit ViewObj(DocPtr doc) : Obj("View"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kViewSplitSpecial && isGet(kind)) return Variant::I4(0);  // not split
        if (id == ops::kViewType && isPut(kind)) {
            doc_->viewType = putChoice(args, id, {1, 2, 3, 4, 5, 6, 7, 8});
            return {};
        }
        if (id == ops::kViewType && isGet(kind)) return Variant::I4(doc_->viewType);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class PaneObj : public Obj {
  public:
    explicit PaneObj(DocPtr doc) : Obj("Pane"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant>) override {
        if (id == ops::kPaneView && isGet(kind)) return MakeObject<ViewObj>(doc_);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class WindowObj : public Obj {
  public:
    explicit WindowObj(DocPtr doc) : Obj("Window"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant>) override {
        if (id == ops::kWindowActivePane && isGet(kind)) return MakeObject<PaneObj>(doc_);
        if (id == ops::kWindowView && isGet(kind)) return MakeObject<ViewObj>(doc_);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

}  // namespace

Variant MakeWindow(const DocPtr& doc) {
    return MakeObject<WindowObj>(doc);
}

}  // namespace tq::office::word
