// The document engine's Application, Documents and Document objects, and showing documents
// when the application is made visible (each saved into the show folder and opened there).
#include "office/common/show_folder.h"
#include "office/document/document_objects.h"
#include "office/document/word_engine.h"
#include "text/text.h"

namespace tq::office::word {

namespace {

struct AppState {
    std::vector<DocPtr> docs;
    DocPtr active;
    bool visible = false;
    int created = 0;  // documents made so far (their default names)
};

class DocumentObj : public Obj {
  public:
    explicit DocumentObj(DocPtr doc) : Obj("Document"), doc_(std::move(doc)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant>) override {
        if (id == ops::kDocTables && isGet(kind)) return MakeTables(doc_);
        if (id == ops::kDocName && isGet(kind)) return Variant::Str(doc_->name);
        notFound(id, kind);
    }

  private:
    DocPtr doc_;
};

class DocumentsObj : public Obj {
  public:
    explicit DocumentsObj(std::shared_ptr<AppState> app) : Obj("Documents"), app_(std::move(app)) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (id == ops::kDocumentsAdd && isCall(kind)) return add(args);
        if (id == ops::kDocumentsCount && isGet(kind))
            return Variant::I4(static_cast<int32_t>(app_->docs.size()));
        if (id == ops::kDocumentsItem && (isCall(kind) || isGet(kind))) {
            int32_t k = ToInt32(need(args, 0, id), member(id));
            if (k < 1 || static_cast<size_t>(k) > app_->docs.size())
                fail(hresult::DISP_E_BADINDEX_, id, "no document " + std::to_string(k));
            return MakeObject<DocumentObj>(app_->docs[static_cast<size_t>(k) - 1]);
        }
        notFound(id, kind);
    }

  private:
    Variant add(std::span<const Variant> args) {
        const DISPID id = ops::kDocumentsAdd;
        if (const Variant* t = arg(args, 0);
            t && t->vt != automation::VT_EMPTY && !ToUtf16(*t, member(id)).empty())
            fail(hresult::E_NOTIMPL_, id, "document templates are not supported");
        if (const Variant* t = arg(args, 2);
            t && t->vt != automation::VT_EMPTY && ToInt32(*t, member(id)) != 0)
            fail(hresult::E_NOTIMPL_, id, "only blank documents can be made");
        auto doc = std::make_shared<Document>();
        doc->name = text::utf8ToUtf16("Document" + std::to_string(++app_->created));
        if (const Variant* v = arg(args, 3); v && v->vt != automation::VT_EMPTY)
            doc->visible = ToDouble(*v, member(id)) != 0;
        app_->docs.push_back(doc);
        app_->active = doc;
        return MakeObject<DocumentObj>(doc);
    }
    std::shared_ptr<AppState> app_;
};

class ApplicationObj : public Obj {
  public:
    ApplicationObj() : Obj("Application"), app_(std::make_shared<AppState>()) {}
    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        if (isGet(kind)) {
            switch (id) {
                case ops::kAppDocuments:
                    return MakeObject<DocumentsObj>(app_);
                case ops::kAppActiveDocument:
                    return MakeObject<DocumentObj>(active(id));
                case ops::kAppActiveWindow:
                    return MakeWindow(active(id));
                case ops::kAppSelection:
                    return MakeSelection(active(id));
                case ops::kAppVisible:
                    return Variant::Bool(app_->visible);
                default:
                    break;
            }
        }
        if (id == ops::kAppVisible && isPut(kind)) {
            bool v = ToDouble(PutValue(args, member(id)), member(id)) != 0;
            app_->visible = v;
            if (v) show();
            return {};
        }
        notFound(id, kind);
    }
    const std::shared_ptr<AppState>& state() const { return app_; }

  private:
    DocPtr active(DISPID id) const {
        if (!app_->active) fail(kNoDocument, id, "no document is open");
        return app_->active;
    }
    /// Shows the documents not shown yet: each is saved as DocumentN.docx (the first N from 1 not
    /// taken) in the show folder and opened there.
    void show() {
        if (!ShowOnVisible()) return;
        for (auto& doc : app_->docs) {
            if (doc->shown || !doc->visible) continue;
            doc->shownFile = ShowFile(
                [](uint64_t k) { return "Document" + std::to_string(k + 1) + ".docx"; },
                [&](const std::string& path) { saveDocx(*doc, path); }, member(ops::kAppVisible));
            doc->shown = true;
        }
    }
    std::shared_ptr<AppState> app_;
};

}  // namespace

DispatchPtr CreateApplication() {
    return std::make_shared<ApplicationObj>();
}

std::vector<std::shared_ptr<Document>> DocumentsOf(const DispatchPtr& app) {
    auto a = std::dynamic_pointer_cast<ApplicationObj>(app);
    if (!a) return {};
    return a->state()->docs;
}

}  // namespace tq::office::word
