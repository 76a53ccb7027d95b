// The coercion of variants and the conversion between GBK text and wide automation strings.
#pragma once

#include <cstdint>
#include <string>

#include "automation/variant.h"
#include "tqtool/types.h"

namespace tq::automation {

/// Converts a variant to another type as the platform's coercion does (no flags): numbers between
/// each other, numbers and dates to text, text to numbers, an object through its default member
/// (DISPID_VALUE). Raises tq::AutomationError (DISP_E_TYPEMISMATCH) when it cannot.
Variant ChangeType(const Variant& v, uint16_t vt);

/// GBK text -> wide automation string. Raises tq::AutomationError when the text is not valid GBK.
std::u16string ToBstr(const String& gbk);
/// Wide automation string -> GBK text.
String FromBstr(const std::u16string& bstr);
/// A VT_BSTR variant from GBK text (raises as ToBstr).
Variant StrVariant(const String& gbk);
/// The text of a variant as the coercion to VT_BSTR gives it, in GBK.
String VariantToString(const Variant& v);

/// An automation date as text (text::FormatDate); raises tq::AutomationError (DISP_E_OVERFLOW)
/// outside 100/1/1 ... 9999/12/31, as the coercion to text does.
std::string FormatDate(double date);

}  // namespace tq::automation
