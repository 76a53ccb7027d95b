// The existence test CTqExcel::open makes of its path: an existing file or folder.
#include "excel/path_exists.h"

#include "os/files.h"
#include "text/text.h"

namespace tq::excel_detail {

bool pathExists(const String& path) {
    if (path.empty()) return false;
    const std::string os = text::pathToOs(path);
    return os::CanOpenForReading(os) || os::IsFolder(os);
}

}  // namespace tq::excel_detail
