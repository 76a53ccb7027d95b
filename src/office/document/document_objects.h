// The document engine's automation objects (private to src/office/document): the base of every
// object and the factories through which they make each other. The objects are spread over
// application.cpp (Application, Documents, Document, showing), window.cpp (Window, Pane, View),
// selection.cpp (Selection, Font, ParagraphFormat, PageSetup), range.cpp (Range, Paragraphs) and
// tables.cpp (Tables, Table, Rows, Cell).
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "automation/dispatch.h"
#include "automation/word_ops.h"
#include "office/common/arguments.h"
#include "office/document/word_document.h"
#include "tqtool/types.h"

namespace tq::office::word {

namespace ops = tq::automation::word;
using automation::DispatchPtr;
using automation::DISPID;
using automation::InvokeKind;
using automation::Variant;
using DocPtr = std::shared_ptr<Document>;
using TablePtr = std::shared_ptr<TableData>;

/// Base of every object: its type name, its member table, and refusals naming the member.
class Obj : public automation::IDispatch {
  public:
    explicit Obj(std::string type) : type_(std::move(type)) {}
    std::string TypeName() const override { return type_; }
    const automation::MemberTable* Members() const override { return &ops::Members(); }

  protected:
    MemberRef member(DISPID id) const { return MemberRef(*this, id); }
    [[noreturn]] void fail(int32_t code, DISPID id, const std::string& why) const {
        Fail(code, member(id), why);
    }
    [[noreturn]] void notFound(DISPID id, InvokeKind kind) const;
    /// Argument `i`, followed through a reference; nullptr when absent or omitted.
    static const Variant* arg(std::span<const Variant> args, size_t i) {
        const Variant& v = Arg(args, i);
        return v.isMissing() ? nullptr : &v;
    }
    /// A required argument.
    const Variant& need(std::span<const Variant> args, size_t i, DISPID id) const;
    /// The value put to an enumerated property; refused (E_INVALIDARG) unless it is one of
    /// `allowed`.
    int32_t putChoice(std::span<const Variant> args, DISPID id,
                      std::initializer_list<int32_t> allowed) const;
    /// The paragraph alignment put to `Alignment` (of a ParagraphFormat or of Paragraphs).
    int32_t putParagraphAlignment(std::span<const Variant> args, DISPID id) const;
    /// An object argument of type T.
    template <class T>
    std::shared_ptr<T> toObject(const Variant& v, DISPID id, const char* what) const {
        std::shared_ptr<T> p;
        if (v.vt == automation::VT_DISPATCH) p = std::dynamic_pointer_cast<T>(v.disp);
        if (!p)
            fail(hresult::DISP_E_TYPEMISMATCH_, id,
                 std::string("a ") + what + " object is expected");
        return p;
    }
    static bool isGet(InvokeKind k) { return k == InvokeKind::PropertyGet; }
    static bool isPut(InvokeKind k) { return k == InvokeKind::PropertyPut; }
    static bool isCall(InvokeKind k) { return k == InvokeKind::Method; }

  private:
    std::string type_;
};

template <class T, class... A>
Variant MakeObject(A&&... a) {
    return Variant::Dispatch(std::make_shared<T>(std::forward<A>(a)...));
}

/// Failure codes the document server reports.
inline constexpr int32_t kNoDocument = static_cast<int32_t>(0x800A1098u);   // no document open
inline constexpr int32_t kBadCell = static_cast<int32_t>(0x800A1758u);      // member missing
inline constexpr int32_t kCannotMerge = static_cast<int32_t>(0x800A1766u);  // cannot merge

Variant MakeWindow(const DocPtr& doc);
Variant MakeSelection(const DocPtr& doc);
Variant MakeTables(const DocPtr& doc);
/// The insertion point's range, or a cell's range.
Variant MakeRange(const DocPtr& doc, const Position& pos);
Variant MakeCellRange(const DocPtr& doc, const TablePtr& table, uint32_t r, uint32_t c);
/// The document and insertion point of a range object made by MakeRange; false for other objects
/// and for a cell's range (`inCell`).
bool RangeInsertionPoint(const DispatchPtr& range, DocPtr& doc, Position& pos, bool& inCell);

}  // namespace tq::office::word
