// The message-box primitive: counterparts of MessageBoxA and AfxMessageBox.
//
// Order of choice: an installed handler (SetMessageBoxHandler); otherwise, when standard input and
// standard error are a terminal, the box is drawn on the terminal and the answer read from it;
// otherwise one line "[caption] text" goes to standard error and the result is IDOK for an
// OK-only box, 0 for any other.
#pragma once

#include "tqtool/messagebox.h"
#include "tqtool/types.h"

namespace tq::platform {

/// MessageBoxA(owner, text, caption, flags): returns the pressed button's identifier or 0.
int MessageBoxA(WindowHandle owner, const String& text, const String& caption, unsigned flags);

/// AfxMessageBox(text, flags): a box with the application's default caption (the program's name).
int AfxMessageBox(const String& text, unsigned flags);

/// The application's default caption: the program's name, as GBK.
String DefaultCaption();

/// Shows a box on the terminal (text and caption GBK; printed as UTF-8) and reads the answer.
/// Returns 0 when the terminal cannot be used.
int TerminalMessageBox(const String& text, const String& caption, unsigned flags);

}  // namespace tq::platform
