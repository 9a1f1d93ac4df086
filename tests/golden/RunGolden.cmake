# Runs one end-to-end case of the fxe command (see CMakeLists.txt) and
# compares what it wrote with the expected files.
# PROGRAM, when given, is the program to run (from its own folder) in place
# of <case>.fxe.
if(NOT PROGRAM)
  set(PROGRAM ${CASE}.fxe)
endif()
get_filename_component(folder ${PROGRAM} DIRECTORY)
get_filename_component(program ${PROGRAM} NAME)
get_filename_component(base ${CASE} NAME)
set(arguments)
if(EXISTS ${CASE}.args)
  file(STRINGS ${CASE}.args arguments)
endif()
set(input)
if(EXISTS ${CASE}.in)
  set(input INPUT_FILE ${CASE}.in)
else()
  set(input INPUT_FILE /dev/null)
endif()
execute_process(COMMAND ${FXE} ${arguments} ${program}
  WORKING_DIRECTORY ${folder}
  ${input}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status
  TIMEOUT 100)

set(expected_status 0)
if(EXISTS ${CASE}.status)
  file(READ ${CASE}.status expected_status)
  string(STRIP "${expected_status}" expected_status)
endif()
set(expected_out "")
if(EXISTS ${CASE}.out)
  file(READ ${CASE}.out expected_out)
endif()
set(expected_err "")
if(EXISTS ${CASE}.err)
  file(READ ${CASE}.err expected_err)
endif()

set(failures "")
# <case>.status-only: the output is not compared (input of random bytes),
# only that the program ended with the expected status instead of crashing.
if(EXISTS ${CASE}.status-only)
  set(out "${expected_out}")
  set(err "${expected_err}")
endif()
if(NOT "${out}" STREQUAL "${expected_out}")
  string(APPEND failures "standard output differs\n--- expected\n${expected_out}\n--- got\n${out}\n")
endif()
if(NOT "${err}" STREQUAL "${expected_err}")
  string(APPEND failures "standard error differs\n--- expected\n${expected_err}\n--- got\n${err}\n")
endif()
if(NOT "${status}" STREQUAL "${expected_status}")
  string(APPEND failures "exit status ${status}, expected ${expected_status}\n")
endif()
if(failures)
  message(FATAL_ERROR "${base}: ${failures}")
endif()
