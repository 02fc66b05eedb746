# The formatting engine: parse, argument numbering and fetching, the render
# pass and its renderers, and the exported families.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/conversion_scan.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_parse.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_arguments.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_render.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_direct.cc
  ${CMAKE_CURRENT_LIST_DIR}/render_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/render_numbers.cc
  ${CMAKE_CURRENT_LIST_DIR}/render_float.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_entry_points.cc
  ${CMAKE_CURRENT_LIST_DIR}/format_signature.cc)
# The parse and render passes are the hot path of every record; they gain
# measurably from the wider inlining and unrolling of -O3.
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/conversion_scan.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_parse.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_render.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_direct.cc
  ${CMAKE_CURRENT_LIST_DIR}/render_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/render_numbers.cc
  PROPERTIES COMPILE_OPTIONS "$<$<NOT:$<CONFIG:Debug>>:-O3>")
