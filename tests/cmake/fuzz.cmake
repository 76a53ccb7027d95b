# Bounded fuzzing of the .xlsx reader and of the XML pull parser. The fuzz targets are compiled by
# tests/fuzz/run_fuzz.sh with clang (libFuzzer + AddressSanitizer), apart from the main build; the
# tests are skipped when clang or its fuzzing runtime is missing, and left out of sanitizer builds
# (the fuzzer has its own).
if(NOT TQTOOL_SANITIZE)
  set(TQTOOL_FUZZ_SECONDS 60 CACHE STRING "Seconds each fuzz test runs")
  foreach(target xlsx xml)
    set(name ${target}_reader_fuzz)
    if(target STREQUAL xml)
      set(name xml_pull_fuzz)
    endif()
    add_test(NAME ${name}
             COMMAND sh ${PROJECT_SOURCE_DIR}/tests/fuzz/run_fuzz.sh ${PROJECT_SOURCE_DIR}
                     ${PROJECT_BINARY_DIR}/fuzz ${TQTOOL_FUZZ_SECONDS} ${target})
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900 LABELS fuzz
                         ENVIRONMENT "TQTEST_PYTHON=/usr/bin/python3")
  endforeach()
endif()
