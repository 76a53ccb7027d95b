// The messages of failed reads and writes of workbook files. Problems are English UTF-8 text
// that may quote names and values from the file; paths are file-system paths (UTF-8). Both are
// converted to GBK once, here, when the tq::AutomationError is made.
#pragma once

#include <string>
#include <string_view>

namespace tq::office {

/// `utf8Path` as the library's messages show it (GBK).
std::string PathForMessage(const std::string& utf8Path);

/// Raises tq::AutomationError (E_FAIL): "cannot read workbook '<path>': <problem>".
[[noreturn]] void ThrowReadError(const std::string& utf8Path, std::string_view utf8Problem);
/// Raises tq::AutomationError (E_FAIL): "cannot write '<path>': <problem>".
[[noreturn]] void ThrowWriteError(const std::string& utf8Path, std::string_view utf8Problem);

/// At most `maxChars` characters of `utf8` (never cutting a character), for quoting file content
/// in a problem.
std::string Snippet(std::string_view utf8, size_t maxChars = 40);

}  // namespace tq::office
