#!/usr/bin/env bash
# The main job on the bundled example: shows the library at work through the tqtool program.
set -euo pipefail
tqtool=${1:-tqtool}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
echo "== $("$tqtool" --version)"
echo "== Splitting a line and formatting numbers"
"$tqtool" util Str2StrArr '桩号,里程,高程' ','
"$tqtool" util GetStrForDoulbe 2.675 2
"$tqtool" util D2dmsStr "$("$tqtool" util Dms2d 30 15 20 | tr -d '"')"
echo "== Runs of equal texts in a column of the example table"
"$tqtool" runs --in "$here/table.json" --action '{"type":2,"index":0,"sp":1,"ep":-1}'
# Reading a survey workbook and writing a table set into a new workbook (CTqExcel, ExcelTable).
out=${TQTOOL_EXAMPLE_OUT:-$(mktemp -d "${TMPDIR:-/tmp}/tqtool-example-XXXXXX")}
mkdir -p "$out"
echo "== Making the example survey workbook (openpyxl): $out/survey.xlsx"
/usr/bin/python3 "$here/make-survey.py" "$out/survey.xlsx"
echo "== Reading it: title, header and the data rows, with the merged cells"
"$tqtool" read "$out/survey.xlsx" --merged
echo "== Reading the columns named 桩号 and 高程 only"
"$tqtool" read "$out/survey.xlsx" --names '桩号,高程'
echo "== Writing the example table set (three tables, planned merges) into a new workbook"
"$tqtool" export-excel --in "$here/tables.json" --out "$out/tables.xlsx"
echo "== The workbook is at $out/tables.xlsx; reading its first sheet back:"
"$tqtool" read "$out/tables.xlsx" --all --merged
echo "== Writing two titled tables into a new document (WordTable merges runs of equal texts)"
"$tqtool" export-word --in "$here/report.json" --out "$out/report.docx"
echo "== The document is at $out/report.docx"
