# Cross build of the Windows x64 component with MinGW-w64 (see mingw.cmake). Test programs run
# under Wine through CMake's cross-compiling emulator.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BRIVANTO_MINGW_TARGET x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw.cmake")
