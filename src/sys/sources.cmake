# Files, paths and threads. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/paths.cc
  ${CMAKE_CURRENT_LIST_DIR}/threads.cc)
