#include "excel/path_exists.h"

#include "platform/files.h"
#include "util/text.h"

namespace tq::excel_detail {

bool pathExists(const String& path) {
    if (path.empty()) return false;
    const std::string os = text::pathToOs(path);
    return platform::CanOpenForReading(os) || platform::IsFolder(os);
}

}  // namespace tq::excel_detail
