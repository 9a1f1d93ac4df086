# Run by ctest with -P: install, configure, build and run the consumer; any
# failing step fails the test with that step's output.
function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run_step("installing fxe" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
run_step("configuring the consumer" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix)
run_step("building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run_step("running the consumer" ${WORK_DIR}/build/consumer)
