# GoogleTest on both builds, and the Wine set-up that lets CTest run Windows test programs.
if(NOT BUILD_TESTING)
  return()
endif()

include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  # No prebuilt GoogleTest exists for MinGW; build it from the sources Debian installs.
  set(BRIVANTO_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory("${BRIVANTO_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

  # Wine gets its own prefix inside the build tree. Creating it takes several seconds, so it
  # is a build step: no test pays for it or times out on it.
  set(BRIVANTO_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/wine-run.in" "${CMAKE_BINARY_DIR}/wine-run" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  add_custom_command(
    OUTPUT "${BRIVANTO_WINEPREFIX}/system.reg"
    COMMAND "${CMAKE_BINARY_DIR}/wine-run" wineboot -i
    COMMAND "${CMAKE_COMMAND}" -E env "WINEPREFIX=${BRIVANTO_WINEPREFIX}" "${WINESERVER}" -w
    COMMENT "Creating the Wine prefix for the Windows tests"
    VERBATIM)
  add_custom_target(wine_prefix ALL DEPENDS "${BRIVANTO_WINEPREFIX}/system.reg")
else()
  find_package(GTest REQUIRED)
endif()

# brivanto_add_test(NAME SOURCES file... LIBRARIES target... [FIXTURES name...]
#                   [ENVIRONMENT VAR=value...])
# One GoogleTest program; each of its test cases becomes a CTest test. Discovery happens when
# the tests run, so that the Windows programs are listed under Wine at test time, not at build
# time. FIXTURES names server fixtures (brivanto_add_server_fixture) that every case needs:
# CTest starts them first, and each case gets their URL files in its environment. ENVIRONMENT
# adds variables of its own.
function(brivanto_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;FIXTURES;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} brivanto_options GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING)
    add_dependencies(${name} wine_prefix)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)

  # gtest_discover_tests flattens list-valued properties, so these are set on the discovered
  # tests by a CTest script of their own, run after discovery.
  set(environment ${ARG_ENVIRONMENT})
  foreach(fixture IN LISTS ARG_FIXTURES)
    brivanto_fixture_environment(entry ${fixture})
    list(APPEND environment "${entry}")
  endforeach()
  if(environment OR ARG_FIXTURES)
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
    file(WRITE "${script}"
      "foreach(test IN LISTS ${name}_TESTS)\n"
      "  set_tests_properties(\"\${test}\" PROPERTIES\n"
      "    FIXTURES_REQUIRED [==[${ARG_FIXTURES}]==]\n"
      "    ENVIRONMENT [==[${environment}]==])\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
  endif()
endfunction()
