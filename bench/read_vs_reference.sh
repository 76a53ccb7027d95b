#!/usr/bin/env bash
# Reading a 100,000-row x 10-column workbook: the library's engine against reference readers,
# measured in the same run.
#
#   bench/read_vs_reference.sh [BUILD_DIR] [ROWS] [REPEATS]
#
# The workbook (a title row, a header row, then numbers, ASCII and Chinese texts and some empty
# cells) is generated with python3-xlsxwriter into bench/.work/. The engine opens it and fetches
# every cell's value and text form through the automation calls (xlsx_read_bench); the
# references are ExcelJS (workbook.xlsx.readFile + every row's values), the JavaScript `xlsx`
# package (XLSX.readFile + sheet_to_json with header:1) and openpyxl in read-only mode. The npm
# packages are installed into bench/.work/ on first use. Each program runs REPEATS times (default
# 3); the best wall time and the highest peak memory are reported, with the ratio to the fastest
# reference. Targets: at least 6x faster than the fastest reference, at most 150 MB peak. Last,
# the XML parsing of the sheet part alone: the pull parser against expat (xml_parse_bench).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rows=${2:-100000}
reps=${3:-3}
work=$root/bench/.work
py=/usr/bin/python3
mkdir -p "$work"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target xlsx_read_bench -j1 >/dev/null
ours="$build/bench/xlsx_read_bench"

book="$work/read_${rows}.xlsx"
if [ ! -f "$book" ]; then
  echo "generating $book"
  "$py" - "$book" "$rows" <<'PY'
import sys, xlsxwriter
path, rows = sys.argv[1], int(sys.argv[2])
wb = xlsxwriter.Workbook(path)
ws = wb.add_worksheet("数据")
ws.write(0, 0, "基准测试表 Benchmark table")
for c, h in enumerate(["编号", "Name", "名称", "Value", "Ratio", "Code", "地区", "Count", "Note", "备注"]):
    ws.write(1, c, h)
cities = ["北京", "上海", "广州", "深圳", "成都", "杭州", "武汉", "西安"]
for r in range(rows):
    R = r + 2
    ws.write_number(R, 0, r + 1)
    ws.write_string(R, 1, "item-%d" % (r % 5000))
    ws.write_string(R, 2, "测试名称%d" % (r % 3000))
    ws.write_number(R, 3, r * 1.25 + 0.1)
    if r % 7:
        ws.write_number(R, 4, (r % 1000) / 37.0)
    ws.write_string(R, 5, "C%06d" % r)
    ws.write_string(R, 6, cities[r % len(cities)])
    ws.write_number(R, 7, r % 97)
    if r % 3 == 0:
        ws.write_string(R, 8, "note %d" % r)
    if r % 5 == 0:
        ws.write_string(R, 9, "备注第%d行" % r)
wb.close()
PY
fi

if [ ! -d "$work/node_modules/exceljs" ] || [ ! -d "$work/node_modules/xlsx" ]; then
  echo "installing exceljs and xlsx into $work"
  [ -f "$work/package.json" ] ||
    printf '{ "name": "tqtool-bench-work", "version": "1.0.0", "private": true }\n' >"$work/package.json"
  (cd "$work" &&
   npm install --no-audit --no-fund --loglevel=error exceljs xlsx >/dev/null)
fi

cat >"$work/read_exceljs.js" <<'JS'
const ExcelJS = require('exceljs');
(async () => {
  const wb = new ExcelJS.Workbook();
  await wb.xlsx.readFile(process.argv[2]);
  let n = 0;
  wb.worksheets[0].eachRow((row) => { n += row.values.length - 1; });
  console.log('cells=' + n);
})();
JS
cat >"$work/read_sheetjs.js" <<'JS'
const XLSX = require('xlsx');
const wb = XLSX.readFile(process.argv[2]);
const rows = XLSX.utils.sheet_to_json(wb.Sheets[wb.SheetNames[0]], { header: 1 });
let n = 0;
for (const r of rows) n += r.length;
console.log('cells=' + n);
JS
cat >"$work/read_openpyxl.py" <<'PY'
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1], read_only=True)
n = 0
for row in wb.worksheets[0].iter_rows(values_only=True):
    n += len(row)
print("cells=%d" % n)
PY

# measure NAME CMD... : keeps the best wall time, the best processor time (user + system) and
# the highest peak memory of REPEATS runs. On a shared, busy machine the wall time mostly measures
# the other load; the processor time shows the work each reader does.
declare -A best cpu mem note
measure() {
  local name=$1
  shift
  local i t u s m out c
  for ((i = 0; i < reps; i++)); do
    out=$(/usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" 2>&1 | tail -1)
    read -r t u s m <"$work/time.txt"
    c=$(awk "BEGIN{print $u + $s}")
    if [ -z "${best[$name]:-}" ] || awk "BEGIN{exit !($t < ${best[$name]})}"; then best[$name]=$t; fi
    if [ -z "${cpu[$name]:-}" ] || awk "BEGIN{exit !($c < ${cpu[$name]})}"; then cpu[$name]=$c; fi
    if [ -z "${mem[$name]:-}" ] || [ "$m" -gt "${mem[$name]}" ]; then mem[$name]=$m; fi
    note[$name]=$out
  done
}

cd "$work"
measure engine "$ours" "$book"
measure exceljs node "$work/read_exceljs.js" "$book"
measure xlsx node "$work/read_sheetjs.js" "$book"
measure openpyxl "$py" "$work/read_openpyxl.py" "$book"

fastest=
fastcpu=
for r in exceljs xlsx openpyxl; do
  if [ -z "$fastest" ] || awk "BEGIN{exit !(${best[$r]} < ${best[$fastest]})}"; then fastest=$r; fi
  if [ -z "$fastcpu" ] || awk "BEGIN{exit !(${cpu[$r]} < ${cpu[$fastcpu]})}"; then fastcpu=$r; fi
done
echo
echo "workbook: $book ($rows data rows x 10 columns), best of $reps runs"
echo "machine: $(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %8s %8s %9s %11s %10s  %s\n' reader "wall s" "cpu s" "peak MB" "wall ratio" "cpu ratio" "output"
for r in engine exceljs xlsx openpyxl; do
  printf '%-10s %8s %8s %9.1f %10.2fx %9.2fx  %s\n' "$r" "${best[$r]}" "${cpu[$r]}" \
    "$(awk "BEGIN{print ${mem[$r]}/1024}")" "$(awk "BEGIN{print ${best[$fastest]} / ${best[$r]}}")" \
    "$(awk "BEGIN{print ${cpu[$fastcpu]} / ${cpu[$r]}}")" "${note[$r]}"
done
speed=$(awk "BEGIN{printf \"%.2f\", ${best[$fastest]} / ${best[engine]}}")
cspeed=$(awk "BEGIN{printf \"%.2f\", ${cpu[$fastcpu]} / ${cpu[engine]}}")
peak=$(awk "BEGIN{printf \"%.1f\", ${mem[engine]} / 1024}")
echo
echo "engine: ${speed}x faster in wall time than the fastest reference ($fastest),"
echo "        ${cspeed}x less processor time than the most frugal reference ($fastcpu), peak ${peak} MB"
awk "BEGIN{exit !($speed >= 6)}" && echo "speed target (>= 6x wall time): met" || echo "speed target (>= 6x wall time): NOT met"
awk "BEGIN{exit !($peak <= 150)}" && echo "memory target (<= 150 MB): met" || echo "memory target (<= 150 MB): NOT met"

# The XML parser alone on the same workbook's sheet part: the pull parser against expat.
echo
if cmake --build "$build" --target xml_parse_bench -j1 >/dev/null 2>&1; then
  "$build/bench/xml_parse_bench" "$book" xl/worksheets/sheet1.xml 5
else
  echo "xml_parse_bench not built (libexpat1-dev is not installed)"
fi
