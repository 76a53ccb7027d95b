// The library's basic types: its exception classes and its version (set by the build from the
// project's version, TQTOOL_VERSION).
#include "tqtool/types.h"

namespace tq {

InvalidArgument::~InvalidArgument() = default;

AutomationError::AutomationError(int32_t code, const std::string& message)
    : std::runtime_error(message), code_(code) {}

AutomationError::~AutomationError() = default;

const char* Version() {
    return TQTOOL_VERSION;
}

}  // namespace tq
