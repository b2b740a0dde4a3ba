# Cross build of the 32-bit Windows (x86) component with MinGW-w64 (see mingw.cmake), for the
# 32-bit players. Test programs run under 32-bit Wine through CMake's cross-compiling emulator.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BRIVANTO_MINGW_TARGET i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw.cmake")
