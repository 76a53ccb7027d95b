// The process-wide limits on untrusted input (tqtool/limits.h).
#include "tqtool/limits.h"

#include <mutex>

namespace tq {

namespace {
std::mutex g_mutex;
Limits g_limits;
}  // namespace

Limits GetLimits() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_limits;
}

void SetLimits(const Limits& limits) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_limits = limits;
}

}  // namespace tq
