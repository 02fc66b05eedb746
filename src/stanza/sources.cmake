# Stanza configuration files: reading and editing. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/line_parse.cc
  ${CMAKE_CURRENT_LIST_DIR}/line_reader.cc
  ${CMAKE_CURRENT_LIST_DIR}/memory_copy.cc
  ${CMAKE_CURRENT_LIST_DIR}/stanza_open.cc
  ${CMAKE_CURRENT_LIST_DIR}/stanza_moves.cc
  ${CMAKE_CURRENT_LIST_DIR}/replace_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/stanza_edits.cc)
