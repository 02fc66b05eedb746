# Installation: headers, the three libraries with their SONAME links, a
# pkg-config file and a CMake package exporting zel::zel.
include(CMakePackageConfigHelpers)

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
