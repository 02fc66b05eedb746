# Start-up: zelmsg_init and what it calls, above both the message layer and
# the serviceability core. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/startup.cc)
