// The library's version text, set by the build from the project's version (TQTOOL_VERSION, a
// compile definition of the library's sources).
#include "tqtool/types.h"

namespace tq {

const char* Version() {
    return TQTOOL_VERSION;
}

}  // namespace tq
