# Installed layout (GNUInstallDirs): libraries with sonames in LIBDIR, the
# module in LIBDIR/orv00006, every public header under include/orv00006,
# pdv-host (linked from bin), orv-params and orv-cds in bin, a CMake package
# (find_package(Orv00006)) and pkg-config files, so that host projects on
# either build system find the same tree.
include(CMakePackageConfigHelpers)

set(ORV_LIB_DIR ${CMAKE_INSTALL_LIBDIR})
set(ORV_MODULE_DIR ${ORV_LIB_DIR}/orv00006)
set(ORV_CMAKE_DIR ${ORV_LIB_DIR}/cmake/Orv00006)
set(ORV_PKGCONFIG_DIR ${ORV_LIB_DIR}/pkgconfig)
# pdv-host lives in LIBEXECDIR/orv00006 (it reads its parameters file beside
# itself, which is no place for a file in bin); bin/pdv-host links to it.
set(ORV_HOST_DIR ${CMAKE_INSTALL_LIBEXECDIR}/orv00006)

# Relative run paths, so that the tree works wherever it is unpacked.
file(RELATIVE_PATH ORV_HOST_TO_LIB /${ORV_HOST_DIR} /${ORV_LIB_DIR})
set_target_properties(platform_runtime platform _dll PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(PKG_ORV00006 PROPERTIES INSTALL_RPATH "$ORIGIN/..")
set_target_properties(pdv-host PROPERTIES INSTALL_RPATH "$ORIGIN/${ORV_HOST_TO_LIB}")

install(TARGETS platform_runtime platform _dll EXPORT Orv00006Targets
    LIBRARY DESTINATION ${ORV_LIB_DIR} COMPONENT runtime NAMELINK_COMPONENT development
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# Exported too, as the imported MODULE target Orv00006::PKG_ORV00006: a host
# takes its path from $<TARGET_FILE:...> and does not link it.
install(TARGETS PKG_ORV00006 EXPORT Orv00006Targets
    LIBRARY DESTINATION ${ORV_MODULE_DIR} COMPONENT runtime)
install(TARGETS pdv-host RUNTIME DESTINATION ${ORV_HOST_DIR} COMPONENT host)
file(RELATIVE_PATH ORV_BIN_TO_HOST /${CMAKE_INSTALL_BINDIR} /${ORV_HOST_DIR}/pdv-host)
install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK ${ORV_BIN_TO_HOST} \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/pdv-host\" SYMBOLIC)"
  COMPONENT host)
if(TARGET pdv-host-manpage)
  install(FILES ${ORV_HOST_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT host)
endif()
# The tools stand on their own: a till without the demo host has them too.
file(RELATIVE_PATH ORV_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${ORV_LIB_DIR})
set_target_properties(orv-params orv-cds PROPERTIES INSTALL_RPATH "$ORIGIN/${ORV_BIN_TO_LIB}")
install(TARGETS orv-params orv-cds RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
if(ORV_TOOL_MANPAGES)
  install(FILES ${ORV_TOOL_MANPAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
endif()
# Installed into /usr the libraries sit where the dynamic linker looks
# anyway: no run paths there (a packaged library must not carry one).
set(orv_rpath_code [[
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    file(GLOB orv_elf_files LIST_DIRECTORIES false "$ENV{DESTDIR}/usr/@ORV_LIB_DIR@/lib*.so.*.*"
        "$ENV{DESTDIR}/usr/@ORV_MODULE_DIR@/*.so" "$ENV{DESTDIR}/usr/@ORV_HOST_DIR@/pdv-host"
        "$ENV{DESTDIR}/usr/@CMAKE_INSTALL_BINDIR@/orv-params" "$ENV{DESTDIR}/usr/@CMAKE_INSTALL_BINDIR@/orv-cds")
    foreach(f IN LISTS orv_elf_files)
      file(RPATH_REMOVE FILE "${f}")
    endforeach()
  endif()]])
string(CONFIGURE "${orv_rpath_code}" orv_rpath_code @ONLY)
install(CODE "${orv_rpath_code}" COMPONENT runtime)
# The four source trees each hold an orv00006/ directory; installed, they
# merge into one, spelled as in the tree.
install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/platform/runtime/include/orv00006
    ${PROJECT_SOURCE_DIR}/platform/toolkit/include/orv00006
    ${PROJECT_SOURCE_DIR}/shared/include/orv00006
    ${PROJECT_SOURCE_DIR}/include/orv00006
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development
    FILES_MATCHING PATTERN "*.h")
install(EXPORT Orv00006Targets NAMESPACE Orv00006:: DESTINATION ${ORV_CMAKE_DIR} COMPONENT development)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/Orv00006Config.cmake.in
    ${CMAKE_BINARY_DIR}/Orv00006Config.cmake
    INSTALL_DESTINATION ${ORV_CMAKE_DIR}
    PATH_VARS ORV_MODULE_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/Orv00006ConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/Orv00006Config.cmake ${CMAKE_BINARY_DIR}/Orv00006ConfigVersion.cmake
    DESTINATION ${ORV_CMAKE_DIR} COMPONENT development)

# pkg-config: one file per library plus orv00006.pc for a whole host. They
# are finished at install time so that their prefix is the one installed to
# (cmake --install --prefix; the Debian packages install to /usr with
# DESTDIR), and written straight to the destination: installing leaves the
# build tree as it was. The placeholder survives the first pass.
set(ORV_PC_PREFIX "@ORV_PC_PREFIX@")
set(ORV_PC_NAMES orv00006-platform-runtime orv00006-platform orv00006-dll orv00006)
foreach(name IN LISTS ORV_PC_NAMES)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/pkgconfig/${name}.pc.in ${CMAKE_BINARY_DIR}/pkgconfig/${name}.pc.in @ONLY)
  install(CODE "set(ORV_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    set(orv_pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ORV_PKGCONFIG_DIR}/${name}.pc\")
    message(STATUS \"Installing: \${orv_pc}\")
    configure_file(\"${CMAKE_BINARY_DIR}/pkgconfig/${name}.pc.in\" \"\${orv_pc}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${orv_pc}\")"
    COMPONENT development)
endforeach()

# The guide and the minimal hosts it links to (docs/examples), laid out as
# in the source tree so that its links hold.
install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/docs/integration.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/examples DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT development)

# Debian packages: packaging/debian, built by scripts/package.sh.
