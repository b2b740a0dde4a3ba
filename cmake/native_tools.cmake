# Native tools: Linux programs that tests run beside them, such as test servers.
#
# In the native builds they are ordinary targets of this tree. The cross build's test programs
# need them too, as Linux programs (a program under Wine reaches native servers on 127.0.0.1),
# so there this same source tree is configured a second time for the build machine, in
# BRIVANTO_NATIVE_TOOLS_DIR (default <build>/native-tools) with testing off, and only the
# targets listed below are built in it. They land in its bin/. The x64 and x86 presets share
# one such folder, so the tools are built once for both; a lock keeps two builds from working
# in it at the same time.
#
# To offer another program to the cross build's tests, add its target name to this list.
set(BRIVANTO_NATIVE_TOOLS
  http-test-server
  brivanto-service
  conformance-tunnel
  scenario_test
)

if(CMAKE_CROSSCOMPILING AND BUILD_TESTING)
  include(ExternalProject)
  set(BRIVANTO_NATIVE_TOOLS_DIR "${CMAKE_BINARY_DIR}/native-tools"
      CACHE PATH "Build folder of the native tools that the cross build's tests run")
  find_program(BRIVANTO_FLOCK flock REQUIRED)
  set(locked "${BRIVANTO_FLOCK}" "${BRIVANTO_NATIVE_TOOLS_DIR}.lock")
  set(byproducts)
  foreach(tool IN LISTS BRIVANTO_NATIVE_TOOLS)
    list(APPEND byproducts "${BRIVANTO_NATIVE_TOOLS_DIR}/bin/${tool}")
  endforeach()
  ExternalProject_Add(brivanto_native_tools
    SOURCE_DIR "${PROJECT_SOURCE_DIR}"
    BINARY_DIR "${BRIVANTO_NATIVE_TOOLS_DIR}"
    CONFIGURE_COMMAND ${locked} "${CMAKE_COMMAND}" -S "${PROJECT_SOURCE_DIR}"
      -B "${BRIVANTO_NATIVE_TOOLS_DIR}" -G "${CMAKE_GENERATOR}"
      -DCMAKE_BUILD_TYPE=RelWithDebInfo
      -DBUILD_TESTING=OFF
      -DBRIVANTO_BUILD_SERVERS=ON
      -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${BRIVANTO_NATIVE_TOOLS_DIR}/bin
    BUILD_COMMAND ${locked} "${CMAKE_COMMAND}" --build "${BRIVANTO_NATIVE_TOOLS_DIR}"
                  --target ${BRIVANTO_NATIVE_TOOLS}
    BUILD_BYPRODUCTS ${byproducts}
    INSTALL_COMMAND ""
    # The inner build knows best what changed; asking it costs a no-op Ninja run.
    BUILD_ALWAYS TRUE)
endif()

# brivanto_native_tool(<variable> <target>)
# Sets <variable> to the path of a native tool, for use in test commands: a generator
# expression in the native builds, a path in the cross build's native tree.
function(brivanto_native_tool variable tool)
  if(CMAKE_CROSSCOMPILING)
    if(NOT tool IN_LIST BRIVANTO_NATIVE_TOOLS)
      message(FATAL_ERROR "'${tool}' is not built for the cross build's tests: add it to "
                          "BRIVANTO_NATIVE_TOOLS in cmake/native_tools.cmake")
    endif()
    set(${variable} "${BRIVANTO_NATIVE_TOOLS_DIR}/bin/${tool}" PARENT_SCOPE)
  else()
    set(${variable} "$<TARGET_FILE:${tool}>" PARENT_SCOPE)
  endif()
endfunction()
