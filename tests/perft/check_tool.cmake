# tavik-perft --divide under each rules, on a position whose second ply holds
# two en passant captures: the standard count takes them (58 leaves, 8 below
# d7-d5), the classic one does not (56, 7 below d7-d5). The count alone ends
# the output; the speed goes to the error stream.
#   cmake -DPERFT=path/to/tavik-perft -P check_tool.cmake
set(position "4k3/3p1p2/8/4P3/4K3/8/8/8 b - - 0 1")
foreach(run "--divide;58;8" "--classic;--divide;56;7")
  list(POP_BACK run below_d7d5)
  list(POP_BACK run total)
  execute_process(COMMAND ${PERFT} ${run} 2 ${position} OUTPUT_VARIABLE output
                  ERROR_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "tavik-perft ${run}: exit status ${status}")
  endif()
  if(NOT output MATCHES "(^|\n)d7d5 ${below_d7d5}\n" OR NOT output MATCHES "\n${total}\n$")
    message(FATAL_ERROR "tavik-perft ${run} 2: expected d7d5 ${below_d7d5} and a last line ${total}, got:\n${output}")
  endif()
endforeach()
