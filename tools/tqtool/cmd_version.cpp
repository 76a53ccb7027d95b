// tqtool info: what this build of the library is.
#include "cli.h"

namespace {

void info(const tqcli::Args&) {
    tqcli::JsonOut out;
    out.beginObject().key("library").str("libtqtool100.so").key("version").str(tq::Version());
    out.endObject().end();
}

}  // namespace

TQTOOL_COMMAND({"info", "info", {}, {}, 0, 0, tqcli::Parsing::Options, info});
