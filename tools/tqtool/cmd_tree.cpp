// tqtool tree FILE: reads a tree description file (GBK) and prints
// {"keys": [...], "levels": [...], "names": [...], "result": 1|0} (texts in UTF-8).
#include "cli.h"
#include "tqtool/treeutil.h"

namespace {

void tree(const tqcli::Args& a) {
    tq::StringArray names, keys;
    tq::UIntArray levels;
    const int result = tq::GetTreeItemArray(tqcli::toGbk(a.positional[0]), names, levels, keys);
    tqcli::JsonOut out;
    out.beginObject().key("keys").gbkArray(keys).key("levels").beginArray();
    for (uint32_t l : levels) out.unum(l);
    out.endArray().key("names").gbkArray(names).key("result").num(result).endObject().end();
}

}  // namespace

TQTOOL_COMMAND({"tree", "tree FILE", {}, {}, 1, 1, tqcli::Parsing::Options, tree});
