# Files, paths, threads and the environment. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/environment_watch.cc
  ${CMAKE_CURRENT_LIST_DIR}/paths.cc)
