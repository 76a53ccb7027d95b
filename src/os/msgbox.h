// The message-box primitive: counterparts of MessageBoxA and AfxMessageBox.
//
// Order of choice:
//  1. an installed handler (SetMessageBoxHandler) gets the box and its result is returned;
//  2. a box whose button set is not one of the six known sets is not shown: 0;
//  3. when a desktop display is present (DISPLAY or WAYLAND_DISPLAY set) and zenity can be
//     started, the box is a zenity dialog with the caption, icon and buttons of the flags;
//  4. otherwise, when standard input and standard error are a terminal, the box is drawn on the
//     terminal and the answer read from it;
//  5. otherwise one line "[caption] text" goes to standard error and the result is IDOK for an
//     OK-only box, 0 for any other.
// TQTOOL_MSGBOX=nogui skips step 3; TQTOOL_MSGBOX=stderr skips steps 3 and 4.
#pragma once

#include "tqtool/messagebox.h"
#include "tqtool/types.h"

namespace tq::os {

/// MessageBoxA(owner, text, caption, flags): returns the pressed button's identifier or 0.
int MessageBoxA(WindowHandle owner, const String& text, const String& caption, unsigned flags);

/// AfxMessageBox(text, flags): a box with the application's default caption (the program's name).
int AfxMessageBox(const String& text, unsigned flags);

/// The application's default caption: the program's name, as GBK.
String DefaultCaption();

/// Shows a box as a zenity dialog (text and caption GBK). Returns false when no dialog could be
/// shown (zenity missing, no display reachable); otherwise true and the pressed button's
/// identifier in `result`. Closing the dialog counts as Cancel where the box has one, as OK for an
/// OK-only box, as No for Yes/No and as Abort for Abort/Retry/Ignore.
bool DialogMessageBox(const String& text, const String& caption, unsigned flags, int& result);

/// Shows a box on the terminal (text and caption GBK; printed as UTF-8) and reads the answer.
/// Returns 0 when the terminal cannot be used.
int TerminalMessageBox(const String& text, const String& caption, unsigned flags);

}  // namespace tq::os
