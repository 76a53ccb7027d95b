// The spreadsheet engine's Range values: Value and Value2 of the top-left cell, Text as the
// cell shows it, and storing a value into every cell of a range.
#include <cmath>

#include "office/spreadsheet/range.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office::sheet_engine {

namespace {

// A range is filled cell by cell up to this many cells.
constexpr uint64_t kMaxCellByCell = 10'000'000;

// A text becomes a number when it is one in plain decimal form, unless the cell is
// text-formatted or the text starts with an apostrophe.
void storeText(BookModel& m, Sheet& s, uint32_t r, uint32_t c, const std::u16string& t) {
    if (t.empty()) {
        SetEmpty(m, s, r, c);
        return;
    }
    if (m.styleIsText(EffectiveStyle(s, r, c))) {
        SetString(m, s, r, c, text::utf16ToUtf8(t));
        return;
    }
    if (t[0] == u'\'') {  // a leading apostrophe keeps the rest as text
        SetString(m, s, r, c, text::utf16ToUtf8(std::u16string_view(t).substr(1)));
        return;
    }
    if (auto num = PlainDecimal(std::u16string_view(t))) {
        SetNumber(m, s, r, c, *num);
        return;
    }
    SetString(m, s, r, c, text::utf16ToUtf8(t));
}

void storeDate(BookModel& m, Sheet& s, uint32_t r, uint32_t c, double date) {
    SetNumber(m, s, r, c, OleToSerial(date, m.wb.date1904));
    Cell* cell = FindCell(s, r, c);
    if (cell && !m.styleIsDate(cell->style)) {
        Style st = m.wb.styles[cell->style];
        st.numFmt = date == std::floor(date) ? "yyyy/m/d" : "yyyy/m/d h:mm";
        cell->style = m.internStyle(st);
    }
}

}  // namespace

Variant RangeObj::cellValue(const Sheet& s, uint32_t r, uint32_t c, bool raw) {
    const Cell* cell = FindCell(s, r, c);
    if (!cell) return Variant();
    switch (cell->type) {
        case CellType::Empty:
            return Variant();
        case CellType::String: {
            const auto& pool = b_->model.wb.strings;
            if (cell->str >= pool.size()) return Str(std::string());
            return Str(pool[cell->str]);
        }
        case CellType::Number:
            // A date-formatted number outside the dates a variant holds reads as its number.
            if (!raw)
                if (std::optional<double> date = CellDate(b_->model, *cell))
                    return Variant::Date(*date);
            return Variant::R8(cell->num);
        case CellType::Bool:
            return Variant::Bool(cell->boolean);
        case CellType::Error:
            return Variant::Error(
                static_cast<int32_t>(0x800A0000u | static_cast<uint32_t>(cell->error)));
    }
    return Variant();
}

// The value of the range's top-left cell (a range of several cells has no single value to hand
// back through a variant; its first cell stands for it).
Variant RangeObj::value(DISPID id, bool raw) {
    Sheet& s = sheet(id);
    return cellValue(s, r_.r1, r_.c1, raw);
}

Variant RangeObj::textOf() {
    Sheet& s = sheet(xl::Range_Text);
    const Cell* cell = FindCell(s, r_.r1, r_.c1);
    return Str(cell ? CellText(b_->model, *cell) : std::string());
}

void RangeObj::putCell(Sheet& s, uint32_t r, uint32_t c, const Variant& in, const MemberRef& who,
                       int depth) {
    const Variant& v = in.deref();
    BookModel& m = b_->model;
    switch (v.vt) {
        case automation::VT_EMPTY:
        case automation::VT_NULL:
            SetEmpty(m, s, r, c);
            return;
        case automation::VT_BSTR:
            storeText(m, s, r, c, v.bstr);
            return;
        case automation::VT_I2:
        case automation::VT_I4:
        case automation::VT_INT:
        case automation::VT_UI4:
        case automation::VT_R4:
        case automation::VT_R8:
            SetNumber(m, s, r, c, ToDouble(v, who));
            return;
        case automation::VT_BOOL:
            SetBool(m, s, r, c, v.boolVal != 0);
            return;
        case automation::VT_DATE:
            storeDate(m, s, r, c, v.date);
            return;
        case automation::VT_ERROR: {
            if (v.isMissing()) Fail(hresult::DISP_E_PARAMNOTFOUND_, who, "no value was given");
            uint32_t sc = static_cast<uint32_t>(v.scode);
            int32_t code =
                (sc & 0xFFFF0000u) == 0x800A0000u ? static_cast<int32_t>(sc & 0xFFFF) : 2015;
            SetError(m, s, r, c, code);
            return;
        }
        case automation::VT_DISPATCH: {
            if (!v.disp || depth > 2)
                Fail(hresult::DISP_E_TYPEMISMATCH_, who, "an object has no value to store");
            Variant inner = v.disp->Invoke(automation::DISPID_VALUE, InvokeKind::PropertyGet, {});
            putCell(s, r, c, inner, who, depth + 1);
            return;
        }
        default:
            Fail(hresult::DISP_E_TYPEMISMATCH_, who,
                 "this kind of value cannot be stored in a cell");
    }
}

void RangeObj::putValue(const Variant& v, DISPID id) {
    const MemberRef who = member(id);
    Sheet& s = b_->sheet(id_, cache_, who);
    if (r_.single()) {
        putCell(s, r_.r1, r_.c1, v, who);
        return;
    }
    const Variant& d = v.deref();
    if (d.vt == automation::VT_EMPTY || d.vt == automation::VT_NULL ||
        (d.vt == automation::VT_BSTR && d.bstr.empty())) {
        ClearContents(b_->model, s, r_);
        return;
    }
    if (r_.cellCount() > kMaxCellByCell) Fail(who, "the range is too large to fill cell by cell");
    // Every cell gets the value, except the hidden cells of merged areas.
    for (uint64_t r = r_.r1; r <= r_.r2; ++r)
        for (uint64_t c = r_.c1; c <= r_.c2; ++c) {
            uint32_t rr = static_cast<uint32_t>(r), cc = static_cast<uint32_t>(c);
            const MergeArea* m = s.merges.empty() ? nullptr : MergeAt(s, rr, cc);
            if (m && (m->r1 != rr || m->c1 != cc)) continue;
            putCell(s, rr, cc, v, who);
        }
}

}  // namespace tq::office::sheet_engine
