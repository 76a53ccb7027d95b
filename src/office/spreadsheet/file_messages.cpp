// Messages of failed workbook reads and writes (see file_messages.h).
#include "office/spreadsheet/file_messages.h"

#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office {

std::string PathForMessage(const std::string& utf8Path) {
    return text::pathFromOs(utf8Path);
}

void ThrowReadError(const std::string& utf8Path, std::string_view utf8Problem) {
    throw AutomationError(hresult::E_FAIL_, "cannot read workbook '" + PathForMessage(utf8Path) +
                                                "': " + text::utf8ToGbk(utf8Problem));
}

void ThrowWriteError(const std::string& utf8Path, std::string_view utf8Problem) {
    throw AutomationError(hresult::E_FAIL_, "cannot write '" + PathForMessage(utf8Path) +
                                                "': " + text::utf8ToGbk(utf8Problem));
}

std::string Snippet(std::string_view s, size_t maxChars) {
    size_t i = 0, chars = 0;
    while (i < s.size() && chars < maxChars) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        ++chars;
    }
    return std::string(s.substr(0, i));
}

}  // namespace tq::office
