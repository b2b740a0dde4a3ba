# What both Windows cross builds share (included by toolchain-mingw64.cmake and
# toolchain-mingw32.cmake after they name the target in BRIVANTO_MINGW_TARGET): MinGW-w64 with
# the posix thread model, so that std::thread and friends work, and the runtime linked
# statically. Wine, which runs the tests, is looked up by cmake/testing.cmake, and only when
# tests are built.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${BRIVANTO_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRIVANTO_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${BRIVANTO_MINGW_TARGET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BRIVANTO_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go inside each binary: the DLL must load in the player with
# nothing beside it. No time stamp in the PE header, so that the same sources give the same
# bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
