# Script run by the install_consumer test (cmake -P): install, build the consumer, run it.
file(REMOVE_RECURSE "${TQ_WORK_DIR}")
set(prefix "${TQ_WORK_DIR}/prefix")

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

run_step("cmake --install" ${CMAKE_COMMAND} --install "${TQ_BUILD_DIR}" --prefix "${prefix}")
run_step("configuring the consumer"
         ${CMAKE_COMMAND} -S "${TQ_CONSUMER_DIR}" -B "${TQ_WORK_DIR}/build" -G "${TQ_GENERATOR}"
         -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_CXX_COMPILER=${TQ_CXX}"
         "-DCMAKE_CXX_FLAGS=${TQ_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${TQ_FLAGS}")
run_step("building the consumer" ${CMAKE_COMMAND} --build "${TQ_WORK_DIR}/build")
run_step("running the consumer" "${TQ_WORK_DIR}/build/tqtool_consumer")
message(STATUS "consumer output:\n${step_output}")
if(NOT step_output MATCHES "consumer ok")
  message(FATAL_ERROR "the consumer did not report success:\n${step_output}")
endif()
file(REMOVE_RECURSE "${TQ_WORK_DIR}")
