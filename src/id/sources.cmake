# UUIDs, network address, Base64, random bytes, number parsing. Included from
# src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/uuid_create.cc
  ${CMAKE_CURRENT_LIST_DIR}/uuid_compare.cc
  ${CMAKE_CURRENT_LIST_DIR}/uuid_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/network_address.cc)
