# The compiler cache: every C++ compile of this tree goes through ccache (when it is installed)
# by way of cmake/compiler-cache, which gives ccache this project's settings alone
# (cmake/ccache.conf) and keeps the cache in ${XDG_CACHE_HOME:-$HOME/.cache}/foo_brivanto/ccache,
# shared by every clone and build folder: a second clone, or a preset built after another with
# the same flags, compiles nothing that has been compiled before.
#
# A result is taken from the cache only for the same preprocessed source, the same flags and the
# same compiler. The compiler is known by its bytes: those of its driver, of the compiler proper
# (cc1plus) and of the assembler it runs, and its own account of its version. That identity is
# worked out at every configure (scripts/test-all configures every time), so an upgraded
# compiler or assembler misses the cache even where its version text stays the same.
#
# Release builds must be the same bytes with or without the cache (scripts/test-all compares the
# tested DLLs with the package's, which scripts/release builds without it):
# BRIVANTO_COMPILER_CACHE=OFF turns the cache off for a build folder.
option(BRIVANTO_COMPILER_CACHE "Compile through ccache when it is installed" ON)

if(NOT BRIVANTO_COMPILER_CACHE OR CMAKE_CXX_COMPILER_LAUNCHER)
  return()
endif()
find_program(BRIVANTO_CCACHE ccache)
if(NOT BRIVANTO_CCACHE)
  message(STATUS "ccache not found: compiling without a compiler cache")
  return()
endif()

# brivanto_compiler_identity(<variable> <compiler>)
# Sets <variable> to a hash of what decides the compiler's output beyond its input and flags.
function(brivanto_compiler_identity variable compiler)
  execute_process(COMMAND "${compiler}" -v ERROR_VARIABLE text OUTPUT_QUIET RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot run ${compiler} -v")
  endif()
  set(programs "${compiler}")
  foreach(name cc1plus as)
    execute_process(COMMAND "${compiler}" -print-prog-name=${name}
                    OUTPUT_VARIABLE program OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${program}")
      find_program(program_path NAMES "${program}" NO_CACHE)
      set(program "${program_path}")
    endif()
    if(NOT EXISTS "${program}")
      message(FATAL_ERROR "${compiler} runs '${name}', which cannot be found")
    endif()
    list(APPEND programs "${program}")
  endforeach()
  foreach(program IN LISTS programs)
    file(REAL_PATH "${program}" real)
    file(SHA256 "${real}" digest)
    string(APPEND text "\n${real} ${digest}")
  endforeach()
  string(SHA256 identity "${text}")
  set(${variable} "${identity}" PARENT_SCOPE)
endfunction()

brivanto_compiler_identity(identity "${CMAKE_CXX_COMPILER}")
set(CMAKE_CXX_COMPILER_LAUNCHER
    "${PROJECT_SOURCE_DIR}/cmake/compiler-cache" "${PROJECT_SOURCE_DIR}" "${identity}")

# Debug information names the folder it was compiled in; named relative to the build folder,
# the objects of every clone are the same bytes, and the cache may hand one clone's to another
# (ccache leaves the folder out of its key only when such a mapping is given).
add_compile_options("-fdebug-prefix-map=${PROJECT_BINARY_DIR}=.")
