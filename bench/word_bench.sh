#!/usr/bin/env bash
# WordTable (50 tables of 200 x 8 cells with one row and one column merge each, saved) against
# python-docx building the same document, in the same run. Prints both times and the ratio.
# Usage: bench/word_bench.sh [BUILD_DIR]   (default: build; the word_bench target is built there)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:-$here/../build}
cmake --build "$build" --target word_bench -j1 >/dev/null
out=$("$build/bench/word_bench" --benchmark_format=json 2>/dev/null)
ours=$(printf '%s' "$out" | /usr/bin/python3 -c '
import json, sys
b = json.load(sys.stdin)["benchmarks"][0]
scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
print("%.6f" % (b["real_time"] * scale))')
ref=$(/usr/bin/python3 "$here/word_bench.py")
/usr/bin/python3 - "$ours" "$ref" <<'PY'
import sys
ours, ref = float(sys.argv[1]), float(sys.argv[2])
print("WordTable 50 x 200 x 8 with merges, saved: %.3f s" % ours)
print("python-docx, same document:             %.3f s" % ref)
print("ratio: %.1fx faster (target >= 20x)" % (ref / ours))
PY
