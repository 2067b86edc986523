# tavik bench: a line per position, then the last line in the form
# engine-testing frameworks read, "N nodes M nps", with N the bench signature
# that long_bench holds RunBench to: the engine program runs the same bench,
# on the same fixed seed and clock, and nothing on the error stream.
#   cmake -DTAVIK=path/to/tavik -DBENCH=path/to/tavik-bench -P check_command.cmake
set(signature 7053613)
execute_process(COMMAND ${TAVIK} bench OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
  message(FATAL_ERROR "tavik bench: exit status ${status}, errors:\n${errors}")
endif()
if(NOT output MATCHES "\n${signature} nodes [1-9][0-9]* nps\n$")
  message(FATAL_ERROR "tavik bench: expected a last line '${signature} nodes M nps', got:\n${output}")
endif()

# A bench argument it does not know is refused at once: status 2, a message
# naming it, and no bench run.
foreach(case "${TAVIK};bench;standrad" "${TAVIK};bench;standard;x" "${BENCH};--bogus")
  execute_process(COMMAND ${case} OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 2 OR NOT output STREQUAL "" OR errors STREQUAL "")
    message(FATAL_ERROR "${case}: expected status 2 and a message, got status ${status}, output:\n${output}")
  endif()
endforeach()
