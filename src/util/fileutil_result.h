// The folder operations of fileutil.h with their whole result (what was left undone and why),
// for callers that report it, such as the tqtool program. The exported functions map the result
// to their own (1 or 0, nothing).
#pragma once

#include "os/files.h"
#include "tqtool/types.h"

namespace tq {

/// DeleteAllFile(folder) with its result.
os::TreeResult DeleteAllFileResult(const String& folder);

/// CopyFolder(source, target) with its result; a source that is not a folder is refused.
os::TreeResult CopyFolderResult(const char* source, const char* target);

}  // namespace tq
