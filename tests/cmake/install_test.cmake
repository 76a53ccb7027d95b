# Installs the built library into a temporary prefix, then configures, builds and runs a small
# program that finds it with find_package(tqtool) and links tqtool::tqtool. In a sanitizer build
# the consumer is compiled with the same sanitizer flags, since the library needs their runtime;
# it is always compiled with the library's own compiler.
set(TQTEST_INSTALL_FLAGS "")
if(TQTOOL_SANITIZE)
  set(TQTEST_INSTALL_FLAGS "-fsanitize=address,undefined -fno-omit-frame-pointer")
endif()
add_test(NAME install_consumer
         COMMAND ${CMAKE_COMMAND}
                 -DTQ_BUILD_DIR=${PROJECT_BINARY_DIR}
                 -DTQ_CONSUMER_DIR=${CMAKE_CURRENT_SOURCE_DIR}/install_consumer
                 -DTQ_WORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/install_consumer_work
                 -DTQ_FLAGS=${TQTEST_INSTALL_FLAGS}
                 -DTQ_GENERATOR=${CMAKE_GENERATOR}
                 -DTQ_CXX=${CMAKE_CXX_COMPILER}
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/install_consumer/run.cmake)
set_tests_properties(install_consumer PROPERTIES TIMEOUT 600 LABELS install)
