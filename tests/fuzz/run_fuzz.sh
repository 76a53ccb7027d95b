#!/bin/sh
# Builds the .xlsx reader's libFuzzer target with clang (AddressSanitizer and UBSan) and runs it
# for a bounded time on a seed corpus made from the reader's test fixtures.
#
#   run_fuzz.sh SOURCE_DIR WORK_DIR [SECONDS]
#
# Exit status: 0 when no fault was found, 77 when clang or its fuzzing runtime is missing
# (the test is then reported as skipped), anything else on a fault (the input that caused it is
# left in WORK_DIR as crash-*, leak-* or timeout-*).
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

sources="$src/tests/fuzz/xlsx_fuzz.cpp $src/src/office/common/zip_archive.cpp
 $src/src/office/common/xml_pull.cpp $src/src/office/spreadsheet/xlsx/xlsx_reader.cpp
 $src/src/text/text.cpp $src/src/text/types.cpp"
bin="$work/xlsx_fuzz"
rebuild=no
[ -x "$bin" ] || rebuild=yes
for f in $sources $src/src/office/common/*.h $src/src/office/spreadsheet/*/*.h; do
    [ "$f" -nt "$bin" ] && rebuild=yes
done
if [ $rebuild = yes ]; then
    echo "building $bin"
    # shellcheck disable=SC2086
    "$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined -I"$src/include" -I"$src/src" $sources -lzip -lz -o "$bin"
fi

# Seeds: every fixture package as it is (mode byte 0), and the XML parts of the hand-made and
# generated packages placed behind the mode byte of their kind.
seeds="$work/seeds"
rm -rf "$seeds" "$work/fixtures"
mkdir -p "$seeds" "$work/corpus"
"$python" "$src/tests/fuzz/make_fixtures.py" "$work/fixtures" >/dev/null
"$python" - "$work/fixtures" "$seeds" <<'PY'
import os, sys, zipfile
fixtures, seeds = sys.argv[1], sys.argv[2]
modes = {"sheet1.xml": 1, "sharedStrings.xml": 2, "styles.xml": 3, "workbook.xml": 4,
         "workbook.xml.rels": 5, "sheet2.xml": 6}
n = 0
for name in sorted(os.listdir(fixtures)):
    p = os.path.join(fixtures, name)
    data = open(p, "rb").read()
    if len(data) > 65536 or name.startswith("compression_bomb"):
        continue
    open(os.path.join(seeds, "pkg-" + name), "wb").write(b"\0" + data)
    try:
        z = zipfile.ZipFile(p)
        for info in z.infolist():
            base = info.filename.rsplit("/", 1)[-1]
            if base in modes and info.file_size <= 65536:
                part = z.read(info)
                n += 1
                open(os.path.join(seeds, "part%d-%s" % (n, base)), "wb").write(bytes([modes[base]]) + part)
    except Exception:
        pass
PY
cd "$work"
echo "fuzzing the .xlsx reader for $secs s"
"$bin" -max_total_time="$secs" -timeout=20 -rss_limit_mb=1536 -max_len=131072 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$seeds"
