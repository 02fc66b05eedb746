# Installation: headers, the three libraries with their SONAME links, a
# pkg-config file and a CMake package exporting zel::zel.
include(CMakePackageConfigHelpers)

# An installed tree runs wherever it lands, with no LD_LIBRARY_PATH: the
# libraries find one another beside themselves and the tool finds them from
# its own folder. The build tree's absolute run paths are dropped at install.
file(RELATIVE_PATH ZEL_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(zel jrnmsg kmt7qcks PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(zel-tool PROPERTIES INSTALL_RPATH "$ORIGIN/${ZEL_BIN_TO_LIB}")

install(DIRECTORY include/zel include/jrnmsg include/kmt
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        PATTERN qck_test.h EXCLUDE)
install(TARGETS zel jrnmsg kmt7qcks
        EXPORT zelTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS zel-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(ZEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zel)
install(EXPORT zelTargets NAMESPACE zel:: DESTINATION ${ZEL_CMAKE_DIR})
configure_package_config_file(cmake/zelConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/zelConfig.cmake INSTALL_DESTINATION ${ZEL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/zelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zelConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/zelConfigVersion.cmake
        DESTINATION ${ZEL_CMAKE_DIR})

# The pkg-config file finds the prefix from its own place, so the installed
# tree can be moved.
file(RELATIVE_PATH ZEL_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/zel.pc.in ${CMAKE_CURRENT_BINARY_DIR}/zel.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
