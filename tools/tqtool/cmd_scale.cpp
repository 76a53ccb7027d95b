// tqtool scale ALIAS: the scale text of a map-scale alias ("1:2000"; "" when it is none).
#include "cli.h"
#include "tqtool/treeutil.h"

namespace {

void scale(const tqcli::Args& a) {
    tqcli::JsonOut out;
    out.gbk(tq::GetScaFromAlias(tqcli::toGbk(a.positional[0]))).end();
}

}  // namespace

TQTOOL_COMMAND({"scale", "scale ALIAS", {}, {}, 1, 1, tqcli::Parsing::Options, scale});
