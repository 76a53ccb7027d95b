// The suite's standard message boxes and quick value displays.
//
// Every box is modal for the calling task and returns when the user has closed it. Texts and
// captions are GBK. Results are the identifiers of the pressed button (tq::mb::IDOK ... IDNO in
// tqtool/messagebox.h), or 0 when no box could be shown.
#pragma once

#include "tqtool/types.h"

namespace tq {

/// Information box with the caption "青衡提示" and the flags 0x2040 (task-modal, information
/// icon, OK). Returns the pressed button's identifier, 0 when no box could be shown.
TQTOOL_API int TqMessageBox(const String& text, WindowHandle owner = nullptr);

/// Box with the given caption and the flags `type | 0x2040`: the information icon and task
/// modality are always added; the caller's button set and other bits pass through unchanged.
/// Returns the pressed button's identifier, 0 when no box could be shown.
// clang-format off
TQTOOL_API int TqMessageBox(const String& text, unsigned int type, const String& caption, WindowHandle owner);
// clang-format on

/// The same box as the form above, with the arguments in another order.
TQTOOL_API int TqMessageBox(const String& text, WindowHandle owner, unsigned int type,
                            const String& caption);

/// Box chosen from an icon kind and a button code, without owner window.
///
/// kind: '!' exclamation, '?' question, 'x' stop, 'i' information (exactly these bytes).
/// buttons: 1 OK, 2 OK/Cancel, 3 Retry/Cancel, 4 Abort/Retry/Ignore, 5 Yes/No,
/// 6 Yes/No/Cancel. An empty caption becomes "青衡软件". Any other kind or button code shows
/// nothing and returns 0; otherwise returns the pressed button's identifier.
TQTOOL_API int TQMessageBox(const String& text, char kind, int buttons,
                            const String& caption = String());

/// Shows the decimal text of `number` (e.g. -7) in the framework's OK box.
TQTOOL_API void Alert(int number);

/// Shows `label`, "=" and the decimal number without blanks (e.g. label=42).
TQTOOL_API void Alert(int number, const String& label);

/// Shows `Dbl2Str(number, digits)`.
TQTOOL_API void Alert(double number, int digits);

/// Shows `label`, " = " and `Dbl2Str(number, digits)` (e.g. label = 3.14).
TQTOOL_API void Alert(double number, const String& label, int digits);

}  // namespace tq
