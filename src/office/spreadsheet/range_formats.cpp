// The spreadsheet engine's Range formats: number format (and its local form), alignment,
// wrapping, and clearing values, formats or both.
#include <algorithm>

#include "office/spreadsheet/model/number_formats.h"
#include "office/spreadsheet/range.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

void checkFormatCode(const std::string& f, const MemberRef& who) {
    bool quote = false;
    int bracket = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        char ch = f[i];
        if (quote) {
            if (ch == '"') quote = false;
            continue;
        }
        if (ch == '\\') {
            ++i;
            continue;
        }
        if (ch == '"') quote = true;
        if (ch == '[') ++bracket;
        if (ch == ']' && --bracket < 0) break;
    }
    if (quote || bracket != 0 || f.empty())
        Fail(hresult::E_INVALIDARG_, who, "'" + Gbk(f) + "' is not a valid number format");
}

int32_t checkedAlignment(int64_t a, std::span<const int64_t> allowed, const MemberRef& who) {
    if (std::find(allowed.begin(), allowed.end(), a) == allowed.end())
        Fail(hresult::E_INVALIDARG_, who, "unknown alignment " + std::to_string(a));
    return static_cast<int32_t>(a);
}

constexpr int64_t kHorizontal[] = {kAlignGeneral, kAlignLeft,        kAlignCenter,
                                   kAlignRight,   kAlignJustify,     kAlignDistributed,
                                   kAlignFill,    kAlignCenterAcross};
constexpr int64_t kVertical[] = {kAlignTop, kAlignCenter, kAlignBottom, kAlignJustify,
                                 kAlignDistributed};

}  // namespace

void RangeObj::format(DISPID id, const std::function<void(Style&)>& edit) {
    const MemberRef who = member(id);
    ApplyFormat(b_->model, b_->sheet(id_, cache_, who), r_, edit, who.text().c_str());
}

Variant RangeObj::formatGet(DISPID id) {
    switch (id) {
        case xl::Range_NumberFormat:
            return Str(style(id).numFmt);
        case xl::Range_NumberFormatLocal: {
            std::string f = style(id).numFmt;
            return Str(IsGeneralFormat(f) ? std::string(kGeneralFormatLocal) : f);
        }
        case xl::Range_HorizontalAlignment:
            return Variant::I4(style(id).hAlign);
        case xl::Range_VerticalAlignment:
            return Variant::I4(style(id).vAlign);
        case xl::Range_WrapText:
            return Variant::Bool(style(id).wrap);
        default:
            notFound(id, InvokeKind::PropertyGet);
    }
}

void RangeObj::formatPut(DISPID id, const Variant& v) {
    const MemberRef who = member(id);
    switch (id) {
        case xl::Range_NumberFormat:
        case xl::Range_NumberFormatLocal: {
            std::string f = ToUtf8(v, who);
            if (IsGeneralFormat(f)) f = "General";
            checkFormatCode(f, who);
            format(id, [f](Style& x) { x.numFmt = f; });
            return;
        }
        case xl::Range_HorizontalAlignment: {
            int32_t a = checkedAlignment(ToInteger(v, who), kHorizontal, who);
            format(id, [a](Style& x) { x.hAlign = a; });
            return;
        }
        case xl::Range_VerticalAlignment: {
            int32_t a = checkedAlignment(ToInteger(v, who), kVertical, who);
            format(id, [a](Style& x) { x.vAlign = a; });
            return;
        }
        case xl::Range_WrapText: {
            bool w = ToBool(v, who);
            format(id, [w](Style& x) { x.wrap = w; });
            return;
        }
        default:
            notFound(id, InvokeKind::PropertyPut);
    }
}

void RangeObj::clear(DISPID id) {
    Sheet& s = sheet(id);
    if (id == xl::Range_Clear)
        Clear(b_->model, s, r_);
    else if (id == xl::Range_ClearContents)
        ClearContents(b_->model, s, r_);
    else
        format(id, [](Style& x) { x = Style{}; });
}

}  // namespace tq::office::sheet_engine
