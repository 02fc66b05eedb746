# Serviceability: registration, entry points, routes. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/core_state.cc
  ${CMAKE_CURRENT_LIST_DIR}/compiled_components.cc
  ${CMAKE_CURRENT_LIST_DIR}/registration.cc
  ${CMAKE_CURRENT_LIST_DIR}/route_close.cc
  ${CMAKE_CURRENT_LIST_DIR}/message_save.cc
  ${CMAKE_CURRENT_LIST_DIR}/message_entry.cc
  ${CMAKE_CURRENT_LIST_DIR}/translate.cc)
