# Files a program opened and a dribble file it started are complete after
# fxe ends, whether the program ends with (exit) or just ends, though it
# never closes them: the command leaves without tearing the engine down.
foreach(ending "(exit)" "")
  set(out ${WORK_DIR}/unclosed-out.txt)
  set(dribble ${WORK_DIR}/unclosed-dribble.txt)
  set(program ${WORK_DIR}/unclosed.fxe)
  file(REMOVE ${out} ${dribble})
  file(WRITE ${program} "(open \"${out}\" out \"w\")\n(printout out \"written \" 42 crlf)\n"
    "(dribble-on \"${dribble}\")\n(printout t \"seen\" crlf)\n${ending}\n")
  execute_process(COMMAND ${FXE} ${program} OUTPUT_VARIABLE printed RESULT_VARIABLE status TIMEOUT 60)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "fxe ended with '${status}' for the program ending with '${ending}'")
  endif()
  # Read as hexadecimal: the line ends must be CR LF.
  file(READ ${out} written HEX)
  file(READ ${dribble} dribbled HEX)
  file(REMOVE ${out} ${dribble} ${program})
  if(NOT written STREQUAL "7772697474656e2034320d0a")  # written 42 CR LF
    message(FATAL_ERROR "the open file holds '${written}' (program ending with '${ending}')")
  endif()
  if(NOT dribbled MATCHES "7365656e0d0a$")  # seen CR LF
    message(FATAL_ERROR "the dribble file holds '${dribbled}' (program ending with '${ending}')")
  endif()
endforeach()
