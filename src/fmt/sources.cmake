# The formatting engine: parse, argument numbering and fetching, the render
# pass and its renderers, and the exported families.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/fmt_parse.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_arguments.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_render.cc
  ${CMAKE_CURRENT_LIST_DIR}/render_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/render_numbers.cc
  ${CMAKE_CURRENT_LIST_DIR}/render_float.cc
  ${CMAKE_CURRENT_LIST_DIR}/fmt_entry_points.cc)
