# Writes a Debian changelog from CHANGELOG.md: each "## VERSION (YYYY-MM-DD)"
# heading becomes an entry, each "- " item of it a "  * " line, the lines
# that continue an item stay with it.
#   cmake -DCHANGES=CHANGELOG.md -DOUTPUT=changelog -DCONTACT="name <address>" -P debian-changelog.cmake
file(STRINGS ${CHANGES} lines)
set(text "")
set(open_entry "")

# Closes the entry under way with its trailer line, dated at noon UTC.
macro(close_entry)
  if(open_entry)
    execute_process(COMMAND date -u -R -d "${entry_date} 12:00" OUTPUT_VARIABLE stamp
      OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(APPEND text "\n -- ${CONTACT}  ${stamp}\n")
    set(open_entry "")
  endif()
endmacro()

foreach(line IN LISTS lines)
  if(line MATCHES "^## ([^ ]+) \\(([0-9-]+)\\)")
    close_entry()
    if(NOT text STREQUAL "")
      string(APPEND text "\n")
    endif()
    string(APPEND text "tavik (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
    set(entry_date ${CMAKE_MATCH_2})
    set(open_entry 1)
  elseif(open_entry AND line MATCHES "^- (.*)")
    string(APPEND text "  * ${CMAKE_MATCH_1}\n")
  elseif(open_entry AND line MATCHES "^  +(.*)")
    string(APPEND text "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
close_entry()
file(WRITE ${OUTPUT} "${text}")
