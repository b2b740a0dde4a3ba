# Warning policy for the project's own targets. Third-party code (GoogleTest built from source
# for the Windows build) keeps its own flags, so the policy is an interface library that each of
# our targets links instead of a global setting.
add_library(brivanto_options INTERFACE)
target_compile_options(brivanto_options INTERFACE
  -Wall -Wextra -Wpedantic -Werror
  -Wconversion -Wsign-conversion -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
  -Wmisleading-indentation -Wduplicated-cond -Wduplicated-branches -Wlogical-op)
target_include_directories(brivanto_options INTERFACE
  "${PROJECT_SOURCE_DIR}" "${PROJECT_BINARY_DIR}/generated")

# Sanitizer builds come from the presets through BRIVANTO_SANITIZE (address,undefined / thread).
set(BRIVANTO_SANITIZE "" CACHE STRING "Sanitizers to build with, as given to -fsanitize=")
if(BRIVANTO_SANITIZE)
  add_compile_options(-fsanitize=${BRIVANTO_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${BRIVANTO_SANITIZE})
endif()

# Release builds optimise for size: the component waits on the player and the network, and
# -Os keeps each shipped DLL well below 400 KB (the x86 one passes that at -O3). GCC 12 also
# reports false -Wrestrict errors in std::string code at -O3.
string(REPLACE "-O3" "-Os" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")

# Release builds are what ships: stripped, and with no trace of the folders they were built in,
# so that the same sources built in two different folders give the same bytes.
set(release_cxx "$<AND:$<CONFIG:Release>,$<COMPILE_LANGUAGE:CXX>>")
add_compile_options("$<${release_cxx}:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
                    "$<${release_cxx}:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
add_link_options("$<$<CONFIG:Release>:-s>")
