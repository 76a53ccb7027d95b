// Showing a workbook or document: the show folder, a file name in it that never replaces an
// existing file, saving the file there and opening it with the desktop's default program.
// Both engines show through here when their application is made visible.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "office/common/arguments.h"

namespace tq::office {

/// The folder shown files are saved in: $TQTOOL_OFFICE_DIR, else
/// ${XDG_RUNTIME_DIR:-/tmp}/tqtool-office (UTF-8).
std::string ShowFolder();

/// Whether making an application visible shows its workbooks and documents (saves each not shown
/// yet into the show folder and opens it on the desktop), the default, or only marks the
/// application visible: a program that saves the files itself turns it off. Both engines follow
/// it.
void SetShowOnVisible(bool enabled);
bool ShowOnVisible();

/// Whether a shown file is opened on the desktop: a display is present (DISPLAY or
/// WAYLAND_DISPLAY set) and TQTOOL_OFFICE_OPEN is not "0" (blanks around it ignored).
bool OpenOnDesktopEnabled();

/// Saves one file into the show folder (created when missing) and opens it on the desktop when
/// OpenOnDesktopEnabled. `nameFor(k)` gives the k-th candidate file name (k = 0, 1 ...); the first
/// that does not exist is reserved and `write(path)` fills it (replacing the reserved empty file).
/// Returns the path. Refusals raise tq::AutomationError naming `member`; a failed write leaves no
/// file behind.
std::string ShowFile(const std::function<std::string(uint64_t k)>& nameFor,
                     const std::function<void(const std::string& path)>& write,
                     const MemberRef& member);

}  // namespace tq::office
