#include "tqtool/types.h"

namespace tq {

InvalidArgument::~InvalidArgument() = default;

AutomationError::AutomationError(int32_t code, const std::string& message)
    : std::runtime_error(message), code_(code) {}

AutomationError::~AutomationError() = default;

const char* Version() {
    return "1.0.0";
}

}  // namespace tq
