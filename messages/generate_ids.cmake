# Writes the named message ids of the English table as C++ constants (run by
# messages/CMakeLists.txt at build time, so a table edit regenerates them).
# Usage: cmake -DOUTPUT=message_ids.h -DTABLE=messages_en.txt -P this
# A line "5405<TAB>NoResponse<TAB>text" gives vq::msg::NoResponse = 5405. Only the id and the name
# are read, so no text of the table can reach the generated source.

file(READ ${TABLE} table)
string(REGEX MATCHALL "\n[0-9]+\t[A-Za-z][A-Za-z0-9_]*\t" entries "\n${table}")

set(body "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\n([0-9]+)\t([A-Za-z0-9_]+)\t$" "inline constexpr int \\2 = \\1;\n" line
                       "${entry}")
  string(APPEND body "${line}")
endforeach()

set(content "#pragma once
// Generated from resources/messages_en.txt by messages/generate_ids.cmake. Do not edit: give an id
// a name in the table instead.

namespace vq::msg {

${body}
}  // namespace vq::msg
")

# Written only when it changes, so a text edit does not rebuild every file that names an id.
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${content}")
