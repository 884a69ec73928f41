# Install rules: the shared libraries, their public headers, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

set(qm_libraries QuarryminkSearch)
if(TARGET Quarrymink)
  list(APPEND qm_libraries Quarrymink)
endif()
install(TARGETS ${qm_libraries} EXPORT QuarryminkTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quarrymink DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${QM_GENERATED_INCLUDE_DIR}/quarrymink/version.h ${QM_GENERATED_INCLUDE_DIR}/quarrymink/export.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quarrymink)
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
  set(QM_PC_LIBS "-lQuarrymink -lQuarryminkSearch")
else()
  set(QM_PC_REQUIRES "")
  set(QM_PC_LIBS "-lQuarryminkSearch")
endif()
# The pkg-config file finds its prefix from where it lies, so the package can be installed
# under any prefix (cmake --install --prefix) and still point at itself.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QM_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH qm_pc_up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  set(QM_PC_PREFIX "\${pcfiledir}/${qm_pc_up}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/quarrymink.pc.in ${PROJECT_BINARY_DIR}/quarrymink.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quarrymink.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The Designer plugin goes where Qt keeps Designer's plugins, under the install prefix.
# It finds the library beside the installed one, whatever the prefix.
if(TARGET quarrymink_designer)
  get_target_property(qm_plugin_dir quarrymink_designer QM_INSTALL_DIR)
  if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    file(RELATIVE_PATH qm_plugin_to_lib "/prefix/${qm_plugin_dir}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
    set_target_properties(quarrymink_designer PROPERTIES INSTALL_RPATH "$ORIGIN/${qm_plugin_to_lib}")
  endif()
  install(TARGETS quarrymink_designer
    LIBRARY DESTINATION ${qm_plugin_dir}
    RUNTIME DESTINATION ${qm_plugin_dir})
endif()
