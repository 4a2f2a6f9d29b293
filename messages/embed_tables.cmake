# Turns the message tables into a C++ source file (run by messages/CMakeLists.txt at build time).
# Usage: cmake -DOUTPUT=file.cpp -DTABLE_EN=messages_en.txt -DTABLE_JA=messages_ja.txt -P this
# The bytes are written as numbers, so no text of a table can break the generated source.

function(vq_embed_table path function_name out_var)
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR byte_count "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # One line per 24 bytes keeps the generated file readable in a diff or a debugger.
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){24})" "\\1\n    " bytes "${bytes}")
  set(${out_var}
      "namespace {\nconst unsigned char ${function_name}Data[] = {\n    ${bytes}0x00};\n}  // namespace\n\nstd::string_view ${function_name}() {\n    return {reinterpret_cast<const char*>(${function_name}Data), ${byte_count}};\n}\n\n"
      PARENT_SCOPE)
endfunction()

vq_embed_table(${TABLE_EN} embeddedMessagesEn en_code)
vq_embed_table(${TABLE_JA} embeddedMessagesJa ja_code)

set(content "// Generated from resources/messages_en.txt and messages_ja.txt. Do not edit.\n#include <string_view>\n\nnamespace vq::detail {\n\n${en_code}${ja_code}}  // namespace vq::detail\n")

file(WRITE ${OUTPUT} "${content}")
