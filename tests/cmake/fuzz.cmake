# Bounded fuzzing of the .xlsx reader. The fuzz target is compiled by tests/fuzz/run_fuzz.sh with
# clang (libFuzzer + AddressSanitizer), apart from the main build; the test is skipped when clang
# or its fuzzing runtime is missing, and left out of sanitizer builds (the fuzzer has its own).
if(NOT TQTOOL_SANITIZE)
  set(TQTOOL_FUZZ_SECONDS 60 CACHE STRING "Seconds the fuzz test runs")
  add_test(NAME xlsx_reader_fuzz
           COMMAND sh ${PROJECT_SOURCE_DIR}/tests/fuzz/run_fuzz.sh ${PROJECT_SOURCE_DIR}
                   ${PROJECT_BINARY_DIR}/fuzz ${TQTOOL_FUZZ_SECONDS})
  set_tests_properties(xlsx_reader_fuzz PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 900 LABELS fuzz
    ENVIRONMENT "TQTEST_PYTHON=/usr/bin/python3")
endif()
