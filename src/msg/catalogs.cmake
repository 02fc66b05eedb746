# The English message catalogs, compiled with the system's gencat from the
# same message sources as the compiled tables, plus the catalogs of the
# library's own status codes. They are installed where the services look when
# NLSPATH finds nothing: <datadir>/zel/nls/msg/<locale>/, English under C.
find_program(GENCAT gencat REQUIRED)
set(ZEL_CATALOG_BUILD_DIR ${CMAKE_BINARY_DIR}/nls/msg CACHE INTERNAL "")
set(catalog_dir ${ZEL_CATALOG_BUILD_DIR}/C)
file(MAKE_DIRECTORY ${catalog_dir})
set(catalogs "")
foreach(name vrqpc vrqpd vrqpi vrbbas vrbivc vrblib vrbrpc)
  set(source ${CMAKE_CURRENT_LIST_DIR}/messages/${name}.msg)
  set(catalog ${catalog_dir}/${name}.cat)
  add_custom_command(OUTPUT ${catalog}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${catalog}
    COMMAND ${GENCAT} ${catalog} ${source}
    DEPENDS ${source}
    COMMENT "Compiling message catalog ${name}.cat")
  list(APPEND catalogs ${catalog})
endforeach()
add_custom_target(zel_catalogs ALL DEPENDS ${catalogs})
install(FILES ${catalogs} DESTINATION ${CMAKE_INSTALL_DATADIR}/zel/nls/msg/C)
