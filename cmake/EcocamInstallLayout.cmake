# The installed layout, shared by the install rules (cmake/EcocamInstall.cmake)
# and the package tests (tests/install). Safe to include more than once.

# Debian and its derivatives search lib/<multiarch> under /usr and /usr/local
# alike, so the multiarch folder holds for any prefix, including the /usr of
# the Debian package whose paths are fixed at configure time.
if(NOT WIN32 AND CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR}
   AND EXISTS /etc/debian_version)
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}" CACHE PATH "Object code libraries")
endif()
include(GNUInstallDirs)

# Target names of the parts other folders build.
set(ECOCAM_CAMHOST_TARGET camhost)
set(ECOCAM_SIM_SDK_TARGET SVGigE)
set(ECOCAM_ARAVIS_SDK_TARGET SVGigE_aravis)
set(ECOCAM_UI_WX_TARGET ecocam_ui_wx)

# The SDKs and the dialog live in folders of their own below the driver's:
# <libdir>/ecocam/{aravis,sim,ui}.
set(ECOCAM_INSTALL_SDK_SUBDIR ecocam)
set(ECOCAM_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/${ECOCAM_INSTALL_SDK_SUBDIR})
set(ECOCAM_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/ecocam)

# The SDK the installed driver finds by default on Linux: the camera backend
# when it is built, so real cameras work, else the simulated SDK.
if(TARGET ${ECOCAM_ARAVIS_SDK_TARGET})
  set(ECOCAM_DEFAULT_SDK aravis)
else()
  set(ECOCAM_DEFAULT_SDK sim)
endif()
