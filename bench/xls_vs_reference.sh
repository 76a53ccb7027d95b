#!/usr/bin/env bash
# Reading and writing a 65,000-row x 10-column .xls workbook: the engine against xlrd, and the
# engine's .xls save against its own .xlsx save, measured in the same run.
#
#   bench/xls_vs_reference.sh [BUILD_DIR] [ROWS] [REPEATS]
#
# The table (a title row, a header row, then numbers, ASCII and Chinese texts and some empty
# cells, bench/make_read_book.py, as for bench/read_vs_reference.sh) is written and saved as
# .xls once by LibreOffice, both cached in bench/.work/. The engine opens the .xls and fetches
# every cell's value and text form through the automation calls (xlsx_read_bench), and, to show
# the reader's own share, reads it into the model and takes every cell's text (xls_read_bench);
# xlrd opens it and takes every cell's value. Targets: reading at least 10x faster than xlrd with at most
# 150 MB peak memory; saving as .xls at most 2x the time of saving as .xlsx (xls_write_bench).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rows=${2:-65000}
reps=${3:-3}
work=$root/bench/.work
py=/usr/bin/python3
mkdir -p "$work"

# shellcheck source=bench/measure.sh
. "$root/bench/measure.sh"
build_targets xlsx_read_bench xls_read_bench xls_write_bench

src="$work/xls_${rows}.xlsx"
book="$work/xls_${rows}.xls"
if [ ! -f "$book" ]; then
  echo "generating $book"
  "$py" "$root/bench/make_read_book.py" "$src" "$rows"
  lo=$(mktemp -d)
  HOME=$lo soffice -env:UserInstallation=file://$lo --headless --convert-to xls --outdir "$work" "$src" >/dev/null 2>&1
  rm -rf "$lo"
fi

cat >"$work/read_xlrd.py" <<'PY'
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
n = 0
sh = book.sheet_by_index(0)
for r in range(sh.nrows):
    for v in sh.row_values(r):
        n += 1
print("cells=%d" % n)
PY


cd "$work"
measure engine "$build/bench/xlsx_read_bench" "$book"
measure model "$build/bench/xls_read_bench" "$book"
measure xlrd "$py" "$work/read_xlrd.py" "$book"
write=$("$build/bench/xls_write_bench" "$book" "$reps")

echo
echo "workbook: $book ($rows data rows x 10 columns), best of $reps runs"
echo "machine: $(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %8s %8s %9s  %s\n' reader "wall s" "cpu s" "peak MB" output
for r in engine model xlrd; do
  printf '%-8s %8s %8s %9.1f  %s\n' "$r" "${best[$r]}" "${cpu[$r]}" \
    "$(awk "BEGIN{print ${mem[$r]}/1024}")" "${note[$r]}"
done
speed=$(awk "BEGIN{printf \"%.2f\", ${best[xlrd]} / ${best[engine]}}")
cspeed=$(awk "BEGIN{printf \"%.2f\", ${cpu[xlrd]} / ${cpu[engine]}}")
mspeed=$(awk "BEGIN{printf \"%.2f\", ${best[xlrd]} / ${best[model]}}")
peak=$(awk "BEGIN{printf \"%.1f\", ${mem[engine]} / 1024}")
ratio=$(echo "$write" | sed -n 's/.*ratio=\([0-9.]*\).*/\1/p')
echo
echo "read:  engine ${speed}x faster than xlrd in wall time (${cspeed}x in processor time), peak ${peak} MB"
echo "       the engine's model alone (xls_read_bench): ${mspeed}x faster than xlrd in wall time"
echo "write: $write"
awk "BEGIN{exit !($speed >= 10)}" && echo "read speed target (>= 10x): met" || echo "read speed target (>= 10x): NOT met"
awk "BEGIN{exit !($peak <= 150)}" && echo "memory target (<= 150 MB): met" || echo "memory target (<= 150 MB): NOT met"
awk "BEGIN{exit !($ratio <= 2)}" && echo "write target (.xls <= 2x .xlsx): met" || echo "write target (.xls <= 2x .xlsx): NOT met"
