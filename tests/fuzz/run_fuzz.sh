#!/bin/sh
# Builds a libFuzzer target with clang (AddressSanitizer and UBSan) and runs it for a bounded time
# on a seed corpus made from the reader's test fixtures.
#
#   run_fuzz.sh SOURCE_DIR WORK_DIR [SECONDS] [TARGET]
#
# TARGET is xlsx (the .xlsx reader, the default) or xml (the pull parser of XML parts).
# Exit status: 0 when no fault was found, 77 when clang or its fuzzing runtime is missing
# (the test is then reported as skipped), anything else on a fault (the input that caused it is
# left in WORK_DIR as crash-*, leak-* or timeout-*).
set -eu
src=$1
work=$2/${4:-xlsx}
secs=${3:-${TQTOOL_FUZZ_SECONDS:-60}}
target=${4:-xlsx}
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

o=$src/src/office
if [ "$target" = xml ]; then
    sources="$src/tests/fuzz/xml_pull_fuzz.cpp $o/common/xml_pull.cpp"
else
    sources="$src/tests/fuzz/xlsx_fuzz.cpp $o/common/zip_archive.cpp $o/common/xml_pull.cpp
     $o/common/compound_file.cpp $o/spreadsheet/file_messages.cpp $o/spreadsheet/model/*.cpp
     $o/spreadsheet/xlsx/*_part.cpp $o/spreadsheet/xlsx/xlsx_reader.cpp
     $src/src/os/file_read.cpp $src/src/os/limits.cpp $src/src/automation/error_values.cpp
     $src/src/text/*.cpp"
fi
bin="$work/fuzz"
rebuild=no
[ -x "$bin" ] || rebuild=yes
for f in $sources $o/common/*.h $o/spreadsheet/*/*.h; do
    [ "$f" -nt "$bin" ] && rebuild=yes
done
if [ $rebuild = yes ]; then
    echo "building $bin"
    # shellcheck disable=SC2086
    "$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined -I"$src/include" -I"$src/src" $sources -lzip -o "$bin"
fi

# Seeds: every fixture package as it is (mode byte 0), and the XML parts of the packages placed
# behind the mode byte of their kind (which the xml target reads as chunk sizes and flags).
seeds="$work/seeds"
rm -rf "$seeds" "$work/fixtures"
mkdir -p "$seeds" "$work/corpus"
"$python" "$src/tests/fuzz/make_fixtures.py" "$work/fixtures" >/dev/null
"$python" - "$work/fixtures" "$seeds" <<'PY'
import os, sys, zipfile
fixtures, seeds = sys.argv[1:3]
modes = {"sheet1.xml": 1, "sharedStrings.xml": 2, "styles.xml": 3, "workbook.xml": 4,
         "workbook.xml.rels": 5, "sheet2.xml": 6}
for n, name in enumerate(sorted(os.listdir(fixtures))):
    p = os.path.join(fixtures, name)
    if not os.path.isfile(p) or os.path.getsize(p) > 65536:
        continue
    open(os.path.join(seeds, "pkg%d" % n), "wb").write(b"\0" + open(p, "rb").read())
    if zipfile.is_zipfile(p):
        for k, info in enumerate(zipfile.ZipFile(p).infolist()):
            base = info.filename.rsplit("/", 1)[-1]
            if base in modes and info.file_size <= 65536:
                data = bytes([modes[base]]) + zipfile.ZipFile(p).read(info)
                open(os.path.join(seeds, "part%d-%d" % (n, k)), "wb").write(data)
PY
cd "$work"
echo "fuzzing the $target target for $secs s"
"$bin" -max_total_time="$secs" -timeout=20 -rss_limit_mb=1536 -max_len=131072 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$seeds"
