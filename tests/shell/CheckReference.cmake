# Fails when the checked-in function reference differs from the one fxe writes.
execute_process(COMMAND ${FXE} --reference OUTPUT_VARIABLE written RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "fxe --reference failed with status ${status}")
endif()
file(READ ${REFERENCE} checked_in)
if(NOT written STREQUAL checked_in)
  message(FATAL_ERROR "docs/functions.md is out of date: run `make docs` and commit the result")
endif()
