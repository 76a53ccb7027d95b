// The library's basic types: its exception classes.
#include "tqtool/types.h"

namespace tq {

InvalidArgument::~InvalidArgument() = default;

AutomationError::AutomationError(int32_t code, const std::string& message)
    : std::runtime_error(message), code_(code) {}

AutomationError::~AutomationError() = default;

}  // namespace tq
