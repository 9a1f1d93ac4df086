# Runs fxe on about 10 MB of random rule-language characters (words, numbers,
# parentheses, quotes, comments, escapes): it must end, within the test's
# time, with status 0 or 1, never crash or hang.
set(file ${WORK_DIR}/random-input.fxe)
file(WRITE ${file} "")
string(RANDOM LENGTH 65536 RANDOM_SEED 11
  ALPHABET "abcxyz019()()\"\\;?$*&|~<>=:.-+ \n\t[]" chunk)
foreach(i RANGE 1 160)
  file(APPEND ${file} "${chunk}")
endforeach()
execute_process(COMMAND ${FXE} ${file} OUTPUT_FILE /dev/null ERROR_FILE /dev/null RESULT_VARIABLE status TIMEOUT 100)
file(REMOVE ${file})
if(NOT status MATCHES "^[01]$")
  message(FATAL_ERROR "fxe on random input ended with '${status}'")
endif()
