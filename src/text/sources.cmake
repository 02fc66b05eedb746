# Strings and the command line. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ZELString.cc
  ${CMAKE_CURRENT_LIST_DIR}/ZELStringRef.cc
  ${CMAKE_CURRENT_LIST_DIR}/ZELStringIter.cc)
target_sources(zel_obj PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ZELCmdLine.cc)
