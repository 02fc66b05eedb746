# UTC time values, their text forms and the time-zone rules.
# Included from src/CMakeLists.txt.
target_sources(zel_obj PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/time_check.cc
  ${CMAKE_CURRENT_LIST_DIR}/utc_value.cc
  ${CMAKE_CURRENT_LIST_DIR}/utc_clock.cc
  ${CMAKE_CURRENT_LIST_DIR}/calendar.cc
  ${CMAKE_CURRENT_LIST_DIR}/utc_breakdown.cc
  ${CMAKE_CURRENT_LIST_DIR}/utc_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/zone_state.cc
  ${CMAKE_CURRENT_LIST_DIR}/zone_choice.cc
  ${CMAKE_CURRENT_LIST_DIR}/tz_watch.cc
  ${CMAKE_CURRENT_LIST_DIR}/tzfile_load.cc
  ${CMAKE_CURRENT_LIST_DIR}/tz_rules.cc)
