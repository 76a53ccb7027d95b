#!/bin/sh
# Runs one libFuzzer target for a bounded time on a seed corpus made from the readers' test
# fixtures (tests/fuzz/make_seeds.py).
#
#   run_fuzz.sh FUZZER KIND WORK_DIR [SECONDS]
#
# KIND is xlsx, xml or xls. Exit status 0 when no fault was found; otherwise the fuzzer's, with
# the input that caused it left in WORK_DIR as crash-*, leak-* or timeout-*.
set -eu
bin=$1
kind=$2
work=$3
secs=${4:-${TQTOOL_FUZZ_SECONDS:-60}}
python=${TQTEST_PYTHON:-/usr/bin/python3}
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work/seeds"
mkdir -p "$work/seeds" "$work/corpus"
"$python" "$here/make_seeds.py" "$kind" "$work/seeds"
cd "$work"
echo "fuzzing $kind for $secs s"
"$bin" -max_total_time="$secs" -timeout=20 -rss_limit_mb=1536 -max_len=131072 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$work/seeds"
