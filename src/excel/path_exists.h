// Whether a workbook path names an existing file or folder (the PathFileExistsA test of open).
#pragma once

#include "tqtool/types.h"

namespace tq::excel_detail {

/// True when `path` (GBK, Windows or POSIX form) names an existing file or folder. An empty path
/// never exists.
bool pathExists(const String& path);

}  // namespace tq::excel_detail
