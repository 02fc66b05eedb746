# Start-up (zelmsg_init and what it calls) and program messages, above both
# the message layer and the serviceability core. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/startup.cc
  ${CMAKE_CURRENT_LIST_DIR}/library_message.cc
  ${CMAKE_CURRENT_LIST_DIR}/program_messages.cc
  ${CMAKE_CURRENT_LIST_DIR}/program_text.cc)
