# UUIDs, network address, Base64, random bytes, number parsing. Included from
# src/CMakeLists.txt.
# Base64: the codec and its AVX2 kernels.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/base64_codec.cc
  ${CMAKE_CURRENT_LIST_DIR}/base64_avx2.cc)
# Time-based identifiers and the network address search.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/uuid_create.cc
  ${CMAKE_CURRENT_LIST_DIR}/uuid_compare.cc
  ${CMAKE_CURRENT_LIST_DIR}/uuid_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/network_address.cc)
# Random bytes and number parsing.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/random_bytes.cc
  ${CMAKE_CURRENT_LIST_DIR}/number_parse.cc)
