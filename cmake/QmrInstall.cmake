# Install rules: library, headers, CMake package config and pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS qmrnumkit EXPORT qmrnumkitTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

foreach(dir platform foundations containers analysis package)
  install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qmrnumkit/${dir}
          FILES_MATCHING PATTERN "*.h")
endforeach()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/package/qmrnumkit.h
              ${QMR_GEN_INCLUDE}/qmrnumkit/qmr_config.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qmrnumkit)

install(EXPORT qmrnumkitTargets NAMESPACE qmrnumkit::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qmrnumkit)
configure_package_config_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/qmrnumkitConfig.cmake.in
        ${CMAKE_CURRENT_BINARY_DIR}/qmrnumkitConfig.cmake
        INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qmrnumkit)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/qmrnumkitConfigVersion.cmake
        COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qmrnumkitConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/qmrnumkitConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qmrnumkit)

# The .pc file locates the prefix relative to itself, so the installed tree can move.
file(RELATIVE_PATH QMR_PC_PREFIX_REL "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/qmrnumkit.pc.in
               ${CMAKE_CURRENT_BINARY_DIR}/qmrnumkit.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qmrnumkit.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
