# Install rules and the package config: a host does find_package(Kesvor) and
# links Kesvor::kesvor.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS kesvor EXPORT KesvorTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kesvor
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT KesvorTargets
    NAMESPACE Kesvor::
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesvor)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KesvorConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/KesvorConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesvor)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KesvorConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES
    ${CMAKE_CURRENT_BINARY_DIR}/KesvorConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/KesvorConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesvor)
