# Serviceability: registration, entry points, routes. Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/core_state.cc
  ${CMAKE_CURRENT_LIST_DIR}/compiled_components.cc
  ${CMAKE_CURRENT_LIST_DIR}/registration.cc
  ${CMAKE_CURRENT_LIST_DIR}/route_close.cc
  ${CMAKE_CURRENT_LIST_DIR}/route_list.cc
  ${CMAKE_CURRENT_LIST_DIR}/route_memory.cc
  ${CMAKE_CURRENT_LIST_DIR}/severity_routing.cc
  ${CMAKE_CURRENT_LIST_DIR}/route_announce.cc
  ${CMAKE_CURRENT_LIST_DIR}/dynamic_route_pending.cc
  ${CMAKE_CURRENT_LIST_DIR}/log_file.cc
  ${CMAKE_CURRENT_LIST_DIR}/log_open.cc
  ${CMAKE_CURRENT_LIST_DIR}/log_archive.cc
  ${CMAKE_CURRENT_LIST_DIR}/log_report.cc
  ${CMAKE_CURRENT_LIST_DIR}/fork_handlers.cc
  ${CMAKE_CURRENT_LIST_DIR}/debug_level_grammar.cc
  ${CMAKE_CURRENT_LIST_DIR}/debug_levels.cc
  ${CMAKE_CURRENT_LIST_DIR}/message_save.cc
  ${CMAKE_CURRENT_LIST_DIR}/message_entry.cc
  ${CMAKE_CURRENT_LIST_DIR}/trace_entry.cc
  ${CMAKE_CURRENT_LIST_DIR}/route_walk.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_prolog.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_format.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_params.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_writer.cc
  ${CMAKE_CURRENT_LIST_DIR}/text_convert.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/xml_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/file_lock.cc
  ${CMAKE_CURRENT_LIST_DIR}/assert.cc
  ${CMAKE_CURRENT_LIST_DIR}/translate.cc)
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/log_file.cc ${CMAKE_CURRENT_LIST_DIR}/log_open.cc
  ${CMAKE_CURRENT_LIST_DIR}/log_archive.cc ${CMAKE_CURRENT_LIST_DIR}/log_report.cc
  PROPERTIES COMPILE_DEFINITIONS _FILE_OFFSET_BITS=64)
