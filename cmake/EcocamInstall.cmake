# Install rules, the CMake package, the pkg-config file and CPack.
#
# Installed tree (Linux, <lib> = lib/<multiarch>):
#   bin/camhost
#   include/ecocam/ecocam.h
#   <lib>/libecocam.so.1.0.0 (+ libecocam.so.1, libecocam.so)
#   <lib>/ecocam/aravis/libSVGigE.so   the camera backend the driver loads by default
#   <lib>/ecocam/sim/libSVGigE.so      the simulated SDK, for trying the driver without a camera
#   <lib>/ecocam/ui/                   the configuration dialog, loaded on demand
#   <lib>/cmake/ecocam/, <lib>/pkgconfig/ecocam.pc
#   share/doc/ecocam/README.md, SVS-Vistek.ini
# Windows: ecocam.dll, SVGigE.dll (simulated) and camhost.exe beside each
# other in bin/, the import library in lib/, the rest as above.
#
# Every piece is optional: a target that does not exist (yet) is skipped.

include(EcocamInstallLayout)
include(CMakePackageConfigHelpers)

# Installing and packing take what the build made and never start a build
# themselves (build first: cmake --build, then cmake --install or cpack), so
# the package tests never rebuild the tree while other tests run.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

if(NOT TARGET ecocam)
  return()
endif()

# --- the driver -------------------------------------------------------------
if(WIN32)
  install(TARGETS ecocam
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
else()
  # The host loads the driver by path, so the SONAME matters only to
  # programs that link it; it changes with incompatible exports.
  set_target_properties(ecocam PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
  # The driver loads the SDK by bare name: the installed one finds the
  # default SDK through its run path (the camera backend when it is built,
  # else the simulated SDK). LD_LIBRARY_PATH still comes first.
  set_target_properties(ecocam PROPERTIES
    INSTALL_RPATH "$ORIGIN/${ECOCAM_INSTALL_SDK_SUBDIR}/${ECOCAM_DEFAULT_SDK}")
  install(TARGETS ecocam
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
  install(TARGETS ecocam
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_ONLY)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/include/ecocam/ecocam.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ecocam)

# --- the SDKs, the dialog and the host tool --------------------------------
if(TARGET ${ECOCAM_SIM_SDK_TARGET})
  if(WIN32)
    # Found beside the host's executable, as the camera maker's SDK is.
    install(TARGETS ${ECOCAM_SIM_SDK_TARGET} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  else()
    install(TARGETS ${ECOCAM_SIM_SDK_TARGET}
      LIBRARY DESTINATION ${ECOCAM_INSTALL_PRIVATE_LIBDIR}/sim NAMELINK_SKIP)
  endif()
endif()
if(TARGET ${ECOCAM_ARAVIS_SDK_TARGET} AND NOT WIN32)
  install(TARGETS ${ECOCAM_ARAVIS_SDK_TARGET}
    LIBRARY DESTINATION ${ECOCAM_INSTALL_PRIVATE_LIBDIR}/aravis NAMELINK_SKIP)
endif()
if(TARGET ${ECOCAM_UI_WX_TARGET} AND NOT WIN32)
  install(TARGETS ${ECOCAM_UI_WX_TARGET}
    LIBRARY DESTINATION ${ECOCAM_INSTALL_PRIVATE_LIBDIR}/ui NAMELINK_SKIP)
endif()
if(TARGET ${ECOCAM_CAMHOST_TARGET})
  install(TARGETS ${ECOCAM_CAMHOST_TARGET} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(NOT WIN32)
    # Installed, the driver is not beside camhost but in the library folder:
    # camhost looks there, relative to its own folder, when none is beside it.
    # (The lookup is compiled into camhost's core library.)
    file(RELATIVE_PATH to_libdir "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
    set(camhost_lookup ${ECOCAM_CAMHOST_TARGET})
    if(TARGET ${ECOCAM_CAMHOST_TARGET}_core)
      set(camhost_lookup ${ECOCAM_CAMHOST_TARGET}_core)
    endif()
    target_compile_definitions(${camhost_lookup} PRIVATE
      CAMHOST_INSTALLED_DRIVER="${to_libdir}/$<TARGET_SONAME_FILE_NAME:ecocam>")
  endif()
endif()

# --- documents ---------------------------------------------------------------
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/SVS-Vistek.ini
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- find_package(ecocam) and pkg-config ------------------------------------
# The package files are written by hand rather than exported: the imported
# target needs nothing but the header folder and the library, and the
# package stays relocatable (paths are relative to the config file).
if(WIN32)
  set(ECOCAM_PKG_LOCATION "\${_ecocam_prefix}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:ecocam>")
  set(ECOCAM_PKG_PROPERTIES
    "IMPORTED_IMPLIB \"\${_ecocam_prefix}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_LINKER_FILE_NAME:ecocam>\"")
else()
  set(ECOCAM_PKG_LOCATION "\${_ecocam_prefix}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:ecocam>")
  set(ECOCAM_PKG_PROPERTIES "IMPORTED_SONAME \"$<TARGET_SONAME_FILE_NAME:ecocam>\"")
endif()
file(RELATIVE_PATH ECOCAM_PKG_TO_PREFIX "/prefix/${ECOCAM_INSTALL_CMAKEDIR}" "/prefix")
string(REGEX REPLACE "/$" "" ECOCAM_PKG_TO_PREFIX "${ECOCAM_PKG_TO_PREFIX}")
set(ECOCAM_PKG_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/ecocamConfig.cmake.in
               ${CMAKE_BINARY_DIR}/package/ecocamConfig.cmake.gen @ONLY)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/package/ecocamConfig.cmake
     INPUT ${CMAKE_BINARY_DIR}/package/ecocamConfig.cmake.gen)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/ecocamConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/ecocamConfig.cmake
              ${CMAKE_BINARY_DIR}/package/ecocamConfigVersion.cmake
        DESTINATION ${ECOCAM_INSTALL_CMAKEDIR})

# The pkg-config file names the prefix the files are installed under, which
# is known only at install time (the Debian package installs under /usr
# whatever the configured prefix), so it is written then. A zip is unpacked
# anywhere: there the prefix is taken relative to the file itself.
if(WIN32)
  file(RELATIVE_PATH ECOCAM_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" ECOCAM_PC_TO_PREFIX "${ECOCAM_PC_TO_PREFIX}")
  set(ECOCAM_PC_PREFIX_CODE "set(ECOCAM_PC_PREFIX \"\\\${pcfiledir}/${ECOCAM_PC_TO_PREFIX}\")")
else()
  set(ECOCAM_PC_PREFIX_CODE "set(ECOCAM_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")")
endif()
install(CODE "
  ${ECOCAM_PC_PREFIX_CODE}
  set(ECOCAM_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(ECOCAM_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(ECOCAM_PC_VERSION \"${PROJECT_VERSION}\")
  set(_pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/ecocam.pc\")
  message(STATUS \"Installing: \${_pc}\")
  configure_file(\"${CMAKE_SOURCE_DIR}/cmake/ecocam.pc.in\" \"\${_pc}\" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_pc}\")
")

# --- packages ------------------------------------------------------------------
set(CPACK_PACKAGE_NAME ecocam)
set(CPACK_PACKAGE_VENDOR "ecocam")
set(CPACK_PACKAGE_CONTACT "ecocam maintainers <ecocam@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Camera driver for eco series GigE Vision cameras")
set(CPACK_PACKAGE_DESCRIPTION
  "A driver library a host vision application loads to grab images from monochrome and colour
GigE Vision cameras of the eco series, with a camera backend, a simulated camera SDK for trying
the driver without a camera, a configuration dialog and the camhost command-line host.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
# Packages carry stripped binaries; the build tree keeps the debug information.
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME "ecocam-${PROJECT_VERSION}-win64")
  else()
    set(CPACK_PACKAGE_FILE_NAME "ecocam-${PROJECT_VERSION}-win32")
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  # Installs under /usr with DESTDIR, so the install scripts see the final
  # prefix (the pkg-config file names it).
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_INSTALL_PREFIX /usr)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Dependencies come from the libraries the binaries link (libstdc++,
  # Aravis and GLib, wxWidgets); the SDKs and the dialog are loaded at run
  # time but link their own dependencies, so dpkg-shlibdeps sees them too.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libecocam.so.1 sits in the system's library folder: refresh the loader
  # cache after installing and removing.
  file(WRITE ${CMAKE_BINARY_DIR}/package/debian/triggers "activate-noawait ldconfig\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/package/debian/triggers)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
