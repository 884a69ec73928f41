# Install rules: the shared library, its public headers, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS Quarrymink EXPORT QuarryminkTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quarrymink DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT QuarryminkTargets NAMESPACE Quarrymink:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quarrymink)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QuarryminkConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QuarryminkConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quarrymink)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuarryminkConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuarryminkConfig.cmake ${PROJECT_BINARY_DIR}/QuarryminkConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quarrymink)

if(TARGET qm_control)
  set(QM_PC_REQUIRES "Qt6Widgets")
else()
  set(QM_PC_REQUIRES "")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/quarrymink.pc.in ${PROJECT_BINARY_DIR}/quarrymink.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quarrymink.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
