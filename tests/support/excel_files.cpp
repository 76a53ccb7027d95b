#include "support/excel_files.h"

#include <fstream>
#include <stdexcept>

#include "os/process.h"
#include "support/os_support.h"

namespace excel_files {

std::string runPython(const std::string& code, const std::vector<std::string>& args) {
    ostest::TempDir dir;
    const std::string script = dir.path() + "/script.py";
    std::ofstream(script) << code;
    std::vector<std::string> argv = {TQTEST_PYTHON, script};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out, err;
    int status = 0;
    if (!tq::os::RunCapture(argv, out, err, status) || status != 0)
        throw std::runtime_error("python failed (" + std::to_string(status) + "): " + err);
    return out;
}

void makeWorkbook(const std::string& path, const std::string& body) {
    runPython(
        "import sys, openpyxl\n"
        "from openpyxl.styles import Alignment, Font, PatternFill\n"
        "wb = openpyxl.Workbook()\n"
        "ws = wb.active\n" +
            body + "\nwb.save(sys.argv[1])\n",
        {path});
}

nlohmann::json readWorkbook(const std::string& path) {
    static const char* kDump = R"PY(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
sheets = []
for ws in wb.worksheets:
    cells = {}
    for (r, c), cell in sorted(ws._cells.items()):
        fill = None
        if cell.fill is not None and cell.fill.fill_type == "solid":
            fill = cell.fill.fgColor.rgb if isinstance(cell.fill.fgColor.rgb, str) else None
        cells[cell.coordinate] = {
            "value": cell.value if cell.value is None or isinstance(cell.value, (str, int, float)) else str(cell.value),
            "format": cell.number_format,
            "h": cell.alignment.horizontal,
            "v": cell.alignment.vertical,
            "fill": fill,
            "font": cell.font.name,
            "size": float(cell.font.sz) if cell.font.sz is not None else None,
        }
    widths = {k: v.width for k, v in ws.column_dimensions.items() if v.customWidth or v.width}
    sheets.append({"name": ws.title, "merged": sorted(str(m) for m in ws.merged_cells.ranges),
                   "widths": widths, "cells": cells})
print(json.dumps({"sheets": sheets}, ensure_ascii=False))
)PY";
    return nlohmann::json::parse(runPython(kDump, {path}));
}

}  // namespace excel_files
