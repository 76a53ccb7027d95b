// The spreadsheet engine's Font and Interior objects of a range: reading the top-left cell's
// font and fill, and changing them as a format change of the whole range.
#include <cmath>
#include <functional>

#include "office/spreadsheet/engine_state.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

class FormatPart : public Object {
  public:
    FormatPart(BookPtr b, uint32_t id, int cache, Rect r, bool font)
        : b_(std::move(b)), id_(id), cache_(cache), r_(r), font_(font) {}
    std::string TypeName() const override { return font_ ? "Font" : "Interior"; }

    Variant Invoke(DISPID id, InvokeKind kind, std::span<const Variant> args) override {
        Sheet& s = b_->sheet(id_, cache_, member(id));
        if (kind == InvokeKind::PropertyGet) {
            const Style& st = b_->model.wb.styles[EffectiveStyle(s, r_.r1, r_.c1)];
            return font_ ? fontGet(id, st) : interiorGet(id, st);
        }
        if (kind != InvokeKind::PropertyPut) notFound(id, kind);
        const Variant& v = PutValue(args, member(id));
        std::function<void(Style&)> edit = font_ ? fontEdit(id, v) : interiorEdit(id, v);
        ApplyFormat(b_->model, s, r_, edit, member(id).text().c_str());
        return Variant();
    }

  private:
    Variant fontGet(DISPID id, const Style& st) const {
        switch (id) {
            case xl::Font_Name:
                return Str(st.fontName);
            case xl::Font_Size:
                return Variant::R8(st.fontSize);
            case xl::Font_Bold:
                return Variant::Bool(st.bold);
            case xl::Font_Italic:
                return Variant::Bool(st.italic);
            default:
                notFound(id, InvokeKind::PropertyGet);
        }
    }

    Variant interiorGet(DISPID id, const Style& st) const {
        switch (id) {
            case xl::Interior_Color:
                return Variant::R8(st.hasFill ? st.fillColor : 0xFFFFFF);
            case xl::Interior_ColorIndex:
                return Variant::I4(st.hasFill ? 0 : xl::xlNone);
            default:
                notFound(id, InvokeKind::PropertyGet);
        }
    }

    std::function<void(Style&)> fontEdit(DISPID id, const Variant& v) const {
        const MemberRef who = member(id);
        switch (id) {
            case xl::Font_Name: {
                std::string n = ToUtf8(v, who);
                if (n.empty()) Fail(hresult::E_INVALIDARG_, who, "a font name cannot be empty");
                return [n](Style& x) { x.fontName = n; };
            }
            case xl::Font_Size: {
                double sz = ToDouble(v, who);
                if (!(sz >= 1 && sz <= 409))
                    Fail(hresult::E_INVALIDARG_, who, "a font size must be between 1 and 409");
                sz = std::round(sz * 2) / 2;
                return [sz](Style& x) { x.fontSize = sz; };
            }
            case xl::Font_Bold: {
                bool on = ToBool(v, who);
                return [on](Style& x) { x.bold = on; };
            }
            case xl::Font_Italic: {
                bool on = ToBool(v, who);
                return [on](Style& x) { x.italic = on; };
            }
            default:
                notFound(id, InvokeKind::PropertyPut);
        }
    }

    std::function<void(Style&)> interiorEdit(DISPID id, const Variant& v) const {
        const MemberRef who = member(id);
        switch (id) {
            case xl::Interior_Color: {
                int64_t c = ToInteger(v, who);
                if (c < 0 || c > 0xFFFFFF)
                    Fail(hresult::E_INVALIDARG_, who, "a colour must be between 0 and 16777215");
                return [c](Style& x) {
                    x.hasFill = true;
                    x.fillColor = static_cast<uint32_t>(c);
                };
            }
            case xl::Interior_ColorIndex:
                if (ToInteger(v, who) != xl::xlNone)
                    Fail(hresult::E_INVALIDARG_, who,
                         "only xlNone (-4142) is supported; set Color instead");
                return [](Style& x) {
                    x.hasFill = false;
                    x.fillColor = 0;
                };
            default:
                notFound(id, InvokeKind::PropertyPut);
        }
    }

    BookPtr b_;
    uint32_t id_;
    int cache_;
    Rect r_;
    bool font_;
};

}  // namespace

DispatchPtr MakeFormatPart(const BookPtr& b, uint32_t sheetId, int cache, const Rect& r,
                           bool font) {
    return std::make_shared<FormatPart>(b, sheetId, cache, r, font);
}

}  // namespace tq::office::sheet_engine
