// Message boxes: the one way the library talks to the user.
//
// Every box of the library goes through one primitive. A host application can install its own
// handler to route boxes into its GUI toolkit (and tests install one to capture them).
#pragma once

#include <functional>

#include "tqtool/types.h"

namespace tq {

/// Message-box style bits (combined with OR) and the identifiers of the buttons pressed.
namespace mb {
inline constexpr unsigned OK = 0x0, OKCANCEL = 0x1, ABORTRETRYIGNORE = 0x2, YESNOCANCEL = 0x3,
                          YESNO = 0x4, RETRYCANCEL = 0x5;
inline constexpr unsigned ICONHAND = 0x10, ICONQUESTION = 0x20, ICONEXCLAMATION = 0x30,
                          ICONINFORMATION = 0x40;
inline constexpr unsigned TASKMODAL = 0x2000;
inline constexpr unsigned BUTTON_MASK = 0xF, ICON_MASK = 0xF0;
inline constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6,
                     IDNO = 7;
}  // namespace mb

/// A message-box handler: receives the text and caption (GBK), the style flags and the owner
/// window, and returns the identifier of the button pressed (0 when no box could be shown).
using MessageBoxHandler = std::function<int(const String& text, const String& caption,
                                            unsigned flags, WindowHandle owner)>;

/// Installs `handler` for every box the library shows and returns the previous one. An empty
/// handler restores the built-in behaviour.
TQTOOL_API MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace tq
