# Cross-build for 32-bit Windows with mingw-w64: the form the host loads in
# the field. Tests run under 32-bit Wine.
set(ECOCAM_MINGW_ARCH i686)
set(ECOCAM_WINE_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
