#!/usr/bin/env bash
# The main job on the bundled example: shows the library at work through the tqtool program.
set -euo pipefail
tqtool=${1:-tqtool}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
echo "== tqtool $("$tqtool" --version)"
echo "== Splitting a line and formatting numbers"
"$tqtool" util Str2StrArr '桩号,里程,高程' ','
"$tqtool" util GetStrForDoulbe 2.675 2
"$tqtool" util D2dmsStr "$("$tqtool" util Dms2d 30 15 20 | tr -d '"')"
echo "== Runs of equal texts in a column of the example table"
"$tqtool" runs --in "$here/table.json" --action '{"type":2,"index":0,"sp":1,"ep":-1}'
