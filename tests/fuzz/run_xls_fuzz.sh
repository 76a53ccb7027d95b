#!/bin/sh
# Builds the .xls reader's libFuzzer target with clang (AddressSanitizer and UBSan) and runs it
# for a bounded time on a seed corpus made from the .xls test fixtures.
#
#   run_xls_fuzz.sh SOURCE_DIR WORK_DIR [SECONDS]
#
# Exit status: 0 when no fault was found, 77 when clang, its fuzzing runtime or the fixture
# writers' Python modules are missing (the test is then reported as skipped), anything else on a
# fault (the input that caused it is left in WORK_DIR as crash-*, leak-* or timeout-*).
set -eu
src=$1
work=$2
secs=${3:-${TQTOOL_FUZZ_SECONDS:-60}}
cxx=${FUZZ_CXX:-clang++}
python=${TQTEST_PYTHON:-/usr/bin/python3}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "fuzzing skipped: $cxx is not installed"
    exit 77
fi
mkdir -p "$work"
probe="$work/probe.cpp"
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$probe"
if ! "$cxx" -fsanitize=fuzzer "$probe" -o "$work/probe" >/dev/null 2>&1; then
    echo "fuzzing skipped: $cxx has no libFuzzer runtime (libclang-rt-*-dev)"
    exit 77
fi
if ! "$python" -c "import xlrd, openpyxl" 2>/dev/null; then
    echo "fuzzing skipped: python3-xlrd or python3-openpyxl is missing"
    exit 77
fi

s=$src/src
sources="$src/tests/fuzz/xls_fuzz.cpp $s/office/spreadsheet/xls/compound_reader.cpp
 $s/office/spreadsheet/xls/compound_writer.cpp $s/office/spreadsheet/xls/biff_stream.cpp
 $s/office/spreadsheet/xls/xls_globals.cpp $s/office/spreadsheet/xls/xls_cells.cpp
 $s/office/spreadsheet/xls/xls_reader.cpp $s/office/spreadsheet/model/model_ops.cpp
 $s/office/spreadsheet/xlsx/xlsx_reader.cpp $s/office/common/zip_archive.cpp
 $s/office/common/xml_pull.cpp $s/automation/holder.cpp $s/automation/variant.cpp
 $s/automation/excel_ops.cpp $s/text/text.cpp $s/text/types.cpp $s/os/limits.cpp
 $s/os/file_read.cpp"
bin="$work/xls_fuzz"
rebuild=no
[ -x "$bin" ] || rebuild=yes
for f in $sources $s/office/spreadsheet/*/*.h $s/automation/*.h $s/text/*.h; do
    [ "$f" -nt "$bin" ] && rebuild=yes
done
if [ $rebuild = yes ]; then
    echo "building $bin"
    # shellcheck disable=SC2086
    "$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined -I"$src/include" -I"$s" $sources -lzip -lexpat -lz \
        -o "$bin"
fi

# Seeds: every fixture as it is (mode byte 0), and its workbook stream alone (mode byte 1).
seeds="$work/seeds"
rm -rf "$seeds" "$work/fixtures"
mkdir -p "$seeds" "$work/corpus"
"$python" "$src/tests/xls_fixtures.py" "$work/fixtures" >/dev/null
"$python" - "$work/fixtures" "$seeds" <<'PY'
import os, sys
from xlrd import compdoc
fixtures, seeds = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(fixtures)):
    data = open(os.path.join(fixtures, name), "rb").read()
    if len(data) > 131072:
        continue
    open(os.path.join(seeds, "file-" + name), "wb").write(b"\0" + data)
    try:
        doc = compdoc.CompDoc(data, logfile=open(os.devnull, "w"))
        for stream in ("Workbook", "Book"):
            body = doc.get_named_stream(stream)
            if body:
                open(os.path.join(seeds, "stream-" + name), "wb").write(b"\1" + body)
                break
    except Exception:
        pass
PY
cd "$work"
echo "fuzzing the .xls reader for $secs s"
"$bin" -max_total_time="$secs" -timeout=20 -rss_limit_mb=1536 -max_len=131072 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$seeds"
