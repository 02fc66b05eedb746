# Files, paths and threads. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/paths.cc
  ${CMAKE_CURRENT_LIST_DIR}/path_clean.cc
  ${CMAKE_CURRENT_LIST_DIR}/locale_dir.cc
  ${CMAKE_CURRENT_LIST_DIR}/system_status.cc
  ${CMAKE_CURRENT_LIST_DIR}/file_helpers.cc
  ${CMAKE_CURRENT_LIST_DIR}/file_readline.cc
  ${CMAKE_CURRENT_LIST_DIR}/file_tail.cc
  ${CMAKE_CURRENT_LIST_DIR}/file_copy.cc
  ${CMAKE_CURRENT_LIST_DIR}/threads.cc
  ${CMAKE_CURRENT_LIST_DIR}/env_watch.cc)
