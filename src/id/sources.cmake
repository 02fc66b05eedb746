# UUIDs, network address, Base64, random bytes, number parsing. Included from
# src/CMakeLists.txt.
# Random bytes and number parsing.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/random_bytes.cc
  ${CMAKE_CURRENT_LIST_DIR}/number_parse.cc)
