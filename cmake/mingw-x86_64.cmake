# Cross-build for 64-bit Windows with mingw-w64. The shipped driver is the
# i686 build; this one runs the same Windows tests under 64-bit Wine on
# machines that cannot execute 32-bit programs at all.
set(ECOCAM_MINGW_ARCH x86_64)
set(ECOCAM_WINE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
