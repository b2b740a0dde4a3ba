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
