# Installed layout: libraries with sonames in lib/, the module in
# lib/orv00006/, public headers in include/, pdv-host in bin/ and a CMake
# package so that host projects can find_package(Orv00006).
include(CMakePackageConfigHelpers)

set(ORV_LIB_DIR lib)
set(ORV_MODULE_DIR ${ORV_LIB_DIR}/orv00006)
set(ORV_CMAKE_DIR ${ORV_LIB_DIR}/cmake/Orv00006)

set_target_properties(platform_runtime platform _dll PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(PKG_ORV00006 PROPERTIES INSTALL_RPATH "$ORIGIN/..")
set_target_properties(pdv-host PROPERTIES INSTALL_RPATH "$ORIGIN/../${ORV_LIB_DIR}")

install(TARGETS platform_runtime platform _dll EXPORT Orv00006Targets
    LIBRARY DESTINATION ${ORV_LIB_DIR} COMPONENT runtime NAMELINK_COMPONENT development
    INCLUDES DESTINATION include)
install(TARGETS PKG_ORV00006 LIBRARY DESTINATION ${ORV_MODULE_DIR} COMPONENT runtime)
install(TARGETS pdv-host RUNTIME DESTINATION bin COMPONENT runtime)
install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/platform/include/platform
    ${PROJECT_SOURCE_DIR}/shared/include/dll
    ${PROJECT_SOURCE_DIR}/include/orv00006
    DESTINATION include COMPONENT development)
install(EXPORT Orv00006Targets NAMESPACE Orv00006:: DESTINATION ${ORV_CMAKE_DIR} COMPONENT development)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/Orv00006Config.cmake.in
    ${CMAKE_BINARY_DIR}/Orv00006Config.cmake
    INSTALL_DESTINATION ${ORV_CMAKE_DIR}
    PATH_VARS ORV_MODULE_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/Orv00006ConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/Orv00006Config.cmake ${CMAKE_BINARY_DIR}/Orv00006ConfigVersion.cmake
    DESTINATION ${ORV_CMAKE_DIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/docs/integration.md
    DESTINATION share/doc/orv00006 COMPONENT development OPTIONAL)

# One Debian package with everything.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orv00006)
set(CPACK_PACKAGE_VENDOR "Equipe ORV00006")
set(CPACK_PACKAGE_CONTACT "Equipe ORV00006 <orv00006@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/bin")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
include(CPack)
