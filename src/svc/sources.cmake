# Serviceability, in folders along a record's way: the core's state (core/),
# components and their levels (registration/), the record from entry point to
# bytes (record/), and the routes it is written to (routes/).
# Included from src/CMakeLists.txt.
set(svc ${CMAKE_CURRENT_LIST_DIR})
target_sources(zel_obj PRIVATE
  # core/: the mutex and once-only set-up, the library's own components,
  # fork handlers, assertions
  ${svc}/core/core_state.cc
  ${svc}/core/compiled_components.cc
  ${svc}/core/library_reports.cc
  ${svc}/core/fork_handlers.cc
  ${svc}/core/assert.cc
  # registration/: the component table, translated descriptions, debug levels
  ${svc}/registration/registration.cc
  ${svc}/registration/translate.cc
  ${svc}/registration/debug_level_grammar.cc
  ${svc}/registration/debug_levels.cc
  # record/: the entry points, the call whose header and text are made once,
  # the prefixes, the XML parameter values and the record writer
  ${svc}/record/message_entry.cc
  ${svc}/record/trace_entry.cc
  ${svc}/record/message_save.cc
  ${svc}/record/record_prolog.cc
  ${svc}/record/record_format.cc
  ${svc}/record/text_prefix.cc
  ${svc}/record/record_params.cc
  ${svc}/record/record_writer.cc
  ${svc}/record/print_call.cc
  ${svc}/record/call_text.cc
  ${svc}/record/record_text.cc
  ${svc}/record/xml_text.cc
  # routes/: route lists and remembered specifications, severity routes, the
  # walk, dynamic routes, the system-log route, and log files (open, rotate,
  # report, lock)
  ${svc}/routes/route_list.cc
  ${svc}/routes/route_memory.cc
  ${svc}/routes/route_close.cc
  ${svc}/routes/severity_routing.cc
  ${svc}/routes/route_announce.cc
  ${svc}/routes/dynamic_routes.cc
  ${svc}/routes/route_walk.cc
  ${svc}/routes/syslog_route.cc
  ${svc}/routes/syslog_line.cc
  ${svc}/routes/log_file.cc
  ${svc}/routes/log_open.cc
  ${svc}/routes/log_archive.cc
  ${svc}/routes/log_report.cc
  ${svc}/routes/file_lock.cc)
set_source_files_properties(
  ${svc}/routes/log_file.cc ${svc}/routes/log_open.cc
  ${svc}/routes/log_archive.cc ${svc}/routes/log_report.cc
  PROPERTIES COMPILE_DEFINITIONS _FILE_OFFSET_BITS=64)
