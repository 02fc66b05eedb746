# Status codes, compiled message tables and message text lookup.
# Included from src/CMakeLists.txt, so that the generated sources belong to
# the library target's directory.

# The compiled tables are generated from the message sources, which are also
# the sources of the English catalogs.
set(ZEL_MESSAGE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/messages/vrqpc.msg
  ${CMAKE_CURRENT_LIST_DIR}/messages/vrqpd.msg
  ${CMAKE_CURRENT_LIST_DIR}/messages/vrqpi.msg
  CACHE INTERNAL "")
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/msg)
set(generated ${CMAKE_CURRENT_BINARY_DIR}/msg/compiled_tables.cc)
add_custom_command(
  OUTPUT ${generated}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/msgsrc_to_table.py -o ${generated}
    zelmox_client_svc_g_table:114=${CMAKE_CURRENT_LIST_DIR}/messages/vrqpc.msg
    zelmox_deploy_svc_g_table:831=${CMAKE_CURRENT_LIST_DIR}/messages/vrqpd.msg
    zelmox_if_svc_g_table:99=${CMAKE_CURRENT_LIST_DIR}/messages/vrqpi.msg
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/msgsrc_to_table.py ${ZEL_MESSAGE_SOURCES}
  COMMENT "Generating the compiled message tables")

target_sources(zel_obj PRIVATE
  ${generated}
  ${CMAKE_CURRENT_LIST_DIR}/status_code.cc
  ${CMAKE_CURRENT_LIST_DIR}/table_list.cc
  ${CMAKE_CURRENT_LIST_DIR}/message_layer.cc
  ${CMAKE_CURRENT_LIST_DIR}/get_msg.cc
  ${CMAKE_CURRENT_LIST_DIR}/checked_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/text_memo.cc
  ${CMAKE_CURRENT_LIST_DIR}/error_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/failure_report.cc
  ${CMAKE_CURRENT_LIST_DIR}/thread_locale.cc
  ${CMAKE_CURRENT_LIST_DIR}/catalog_cache.cc
  ${CMAKE_CURRENT_LIST_DIR}/catalog_misses.cc
  ${CMAKE_CURRENT_LIST_DIR}/locale_catalog.cc
  ${CMAKE_CURRENT_LIST_DIR}/ZELMsgCache.cc)
include(${CMAKE_CURRENT_LIST_DIR}/catalogs.cmake)
