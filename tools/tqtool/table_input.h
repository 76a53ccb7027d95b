// The program's JSON input: table files (export-excel, export-word, runs) and the small JSON
// arguments (actions, string arrays, fixed cells), parsed as a stream of events straight into the
// library's shapes. Failures raise CommandError naming the file or argument.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tqtool/table.h"
#include "tqtool/types.h"

namespace tqcli {

/// A table file: {"tables": [TABLE, ...], "table": TABLE, "titles": [...], "fixedCells": [[...]],
/// "actions": [[...]], "rowMarks": [[m, n], ...]} (any of them) or a bare TABLE. Cells are texts
/// in GBK; numbers and booleans count as their JSON text, null as the empty cell.
struct TableFile {
    bool isObject = false;  // false: the file is a bare TABLE, held in tables[0]
    tq::TableSet tables;    // "tables", or the bare TABLE
    tq::Table table;        // "table"
    std::vector<tq::String> titles;
    std::vector<std::vector<tq::STqFixedCellInfo>> fixedCells;
    std::vector<std::vector<tq::action>> actions;
    std::vector<std::pair<int32_t, int32_t>> rowMarks;
    bool hasTables = false, hasTable = false, hasTitles = false, hasFixed = false,
         hasActions = false, hasMarks = false;
};

/// Reads a table file: a regular file of at most maxTextFileBytes, nested at most maxJsonDepth
/// deep (tq::GetLimits()).
TableFile readTableFile(const std::string& path);

/// {"type": 0|1|2|"noAction"|"unionRow"|"unionCol", "index": I, "sp": S, "ep": E}, missing
/// members 0. `what` names the argument in messages.
tq::action parseAction(const std::string& json, const std::string& what);
/// A JSON array of strings (UTF-8), as GBK.
tq::StringArray parseStringArray(const std::string& json, const std::string& what);
/// A JSON array of unsigned 32-bit numbers.
tq::UIntArray parseUIntArray(const std::string& json, const std::string& what);
/// A JSON array of {"row", "col", "rowExtent", "colExtent"} records, missing members 0.
std::vector<tq::STqFixedCellInfo> parseFixedCells(const std::string& json, const std::string& what);

}  // namespace tqcli
