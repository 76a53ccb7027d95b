# Bounded fuzzing of the .xls reader, built by tests/fuzz/run_xls_fuzz.sh with clang (libFuzzer +
# AddressSanitizer + UBSan) apart from the main build; skipped when clang or its fuzzing runtime is
# missing, and left out of sanitizer builds (the fuzzer has its own).
if(NOT TQTOOL_SANITIZE)
  set(TQTOOL_FUZZ_SECONDS 60 CACHE STRING "Seconds the fuzz test runs")
  add_test(NAME xls_reader_fuzz
           COMMAND sh ${PROJECT_SOURCE_DIR}/tests/fuzz/run_xls_fuzz.sh ${PROJECT_SOURCE_DIR}
                   ${PROJECT_BINARY_DIR}/xls_fuzz ${TQTOOL_FUZZ_SECONDS})
  set_tests_properties(xls_reader_fuzz PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 900 LABELS fuzz
    ENVIRONMENT "TQTEST_PYTHON=/usr/bin/python3")
endif()
