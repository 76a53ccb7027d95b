// The suite's naming conventions: map-scale aliases and tree description files.
#pragma once

#include "tqtool/types.h"

namespace tq {

/// The scale text of a map-scale alias: "TQGIS_XZ" (any ASCII case) followed by the denominator,
/// optionally ending in ":\" like a drive root. TQGIS_XZ2000 gives "1:2000"; an empty
/// denominator gives "1:500"; the denominator is not checked. The empty string when the alias
/// does not start with the prefix.
TQTOOL_API String GetScaFromAlias(const String& alias);

/// Reads a tree description file (GBK text, CRLF or LF line ends) and fills three parallel
/// arrays, one entry per item in file order. Lines are trimmed of white space; empty lines and
/// group headers (lines starting with '[') are skipped; every other line is an item "key=value"
/// whose value starts with one asterisk per tree level: `names` gets the value without its
/// leading asterisks, `levels` their number and `keys` the text before the first '=' (empty when
/// there is none; the whole line is then the value). The arrays are cleared first. The whole
/// file is read. Returns 1, or 0 when the file cannot be opened (the arrays are then empty).
TQTOOL_API int GetTreeItemArray(const String& path, StringArray& names, UIntArray& levels,
                                StringArray& keys);

}  // namespace tq
