# Bounded fuzzing of the file readers: every tests/fuzz/*_fuzz.cpp is a libFuzzer target, built in
# the clang sanitizer build (whose library objects carry the fuzzer's coverage instrumentation) and
# run for TQTOOL_FUZZ_SECONDS on seeds made from the readers' fixtures. By hand, longer:
#   sh tests/fuzz/run_fuzz.sh build-asan/tests/xlsx_fuzz xlsx /tmp/fuzz 600
if(TQTOOL_FUZZ)
  set(TQTOOL_FUZZ_SECONDS 60 CACHE STRING "Seconds each fuzz test runs")
  file(GLOB TQTEST_FUZZERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
  foreach(src ${TQTEST_FUZZERS})
    get_filename_component(name ${src} NAME_WE)
    string(REGEX REPLACE "_fuzz$" "" kind ${name})
    string(REGEX REPLACE "_pull$" "" kind ${kind})
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE tqtool_core)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_test(NAME ${name}
             COMMAND sh ${PROJECT_SOURCE_DIR}/tests/fuzz/run_fuzz.sh $<TARGET_FILE:${name}>
                     ${kind} ${CMAKE_CURRENT_BINARY_DIR}/fuzz/${name} ${TQTOOL_FUZZ_SECONDS})
    set_tests_properties(${name} PROPERTIES TIMEOUT 900 LABELS fuzz
                         ENVIRONMENT "TQTEST_PYTHON=/usr/bin/python3")
  endforeach()
endif()
