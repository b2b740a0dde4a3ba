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

  # Wine runs the test programs. Debian keeps its loaders off PATH: wine64 for x64 programs, and
  # the 32-bit loader (package wine32:i386) for x86 ones.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(loader wine64)
    set(package wine64)
  else()
    set(loader wine)
    set(package "wine32:i386 (after dpkg --add-architecture i386)")
  endif()
  find_program(BRIVANTO_WINE NAMES ${loader} PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(BRIVANTO_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(BRIVANTO_WINESERVER NAMES wineserver)
  if(NOT BRIVANTO_WINE OR NOT BRIVANTO_WINESERVER)
    message(FATAL_ERROR "Wine's ${loader} loader not found: install Debian's ${package}, or "
                        "configure with -DBUILD_TESTING=OFF to build without the tests")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
  # Some machines cannot run 32-bit x86 programs at all (virtual machines without a 32-bit
  # mode, where the loader fails with "Exec format error"). There the test programs are built,
  # but nothing can run them: no Wine prefix is made, and scripts/test-all does not run them.
  execute_process(COMMAND "${BRIVANTO_WINE}" --version RESULT_VARIABLE wine_status
                  OUTPUT_QUIET ERROR_QUIET)
  if(wine_status EQUAL 0)
    set(BRIVANTO_WINE_RUNS ON)
  else()
    set(BRIVANTO_WINE_RUNS OFF)
    message(WARNING "${BRIVANTO_WINE} cannot run on this machine (${wine_status}): the Windows "
                    "tests of this build are built but cannot run here")
  endif()

  # Wine gets prefixes of its own inside the build tree: one for programs without windows, and
  # one for programs that create windows, which run with an X display (the "display" fixture
  # below). They cannot share a prefix: a Wine session keeps the display (or the lack of one)
  # of the program that started it, and programs of either kind run side by side. Creating a
  # prefix takes several seconds, so it is a build step: no test pays for it or times out on
  # it. In both, the web browser is cmake/record-browser, so that no test opens a real one.
  set(BRIVANTO_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(BRIVANTO_WINEPREFIX_WINDOWS "${CMAKE_BINARY_DIR}/wineprefix-windows")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/wine-run.in" "${CMAKE_BINARY_DIR}/wine-run" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  # Creates <prefix> with the wine-run command that runs programs in it.
  function(brivanto_create_wine_prefix prefix)
    add_custom_command(
      OUTPUT "${prefix}/system.reg"
      COMMAND ${ARGN} wineboot -i
      COMMAND ${ARGN} reg add "HKCU\\Software\\Wine\\WineBrowser" /v Browsers
              /d "${PROJECT_SOURCE_DIR}/cmake/record-browser" /f
      COMMAND "${CMAKE_COMMAND}" -E env "WINEPREFIX=${prefix}" "${BRIVANTO_WINESERVER}" -w
      COMMENT "Creating the Wine prefix ${prefix} for the Windows tests"
      VERBATIM)
  endfunction()
  if(BRIVANTO_WINE_RUNS)
    brivanto_create_wine_prefix("${BRIVANTO_WINEPREFIX}" "${CMAKE_BINARY_DIR}/wine-run")
    # BRIVANTO_DISPLAY_FILE picks the prefix for programs with windows; /dev/null: no display.
    brivanto_create_wine_prefix("${BRIVANTO_WINEPREFIX_WINDOWS}"
      "${CMAKE_COMMAND}" -E env BRIVANTO_DISPLAY_FILE=/dev/null "${CMAKE_BINARY_DIR}/wine-run")
    add_custom_target(wine_prefix ALL DEPENDS
      "${BRIVANTO_WINEPREFIX}/system.reg" "${BRIVANTO_WINEPREFIX_WINDOWS}/system.reg")
  else()
    add_custom_target(wine_prefix)
  endif()

  # The "display" fixture: an X server without a screen (Xvfb) for the tests that create
  # windows (brivanto_add_test(... DISPLAY)), and a Wine session on it in the prefix for such
  # programs, kept while they run (a session takes seconds to start). The display's name is in
  # the file that brivanto_display_environment() names. Afterwards the session ends first,
  # then the server.
  set(BRIVANTO_DISPLAY_DIR "${CMAKE_BINARY_DIR}/fixtures/display")
  set(display_tool "${PROJECT_SOURCE_DIR}/cmake/display-fixture")
  add_test(NAME display.start COMMAND "${display_tool}" start "${BRIVANTO_DISPLAY_DIR}")
  add_test(NAME display.start_wine_session
           COMMAND "${CMAKE_BINARY_DIR}/wine-run" --keep-session)
  add_test(NAME display.end_wine_session COMMAND "${CMAKE_BINARY_DIR}/wine-run" --end-session)
  add_test(NAME display.stop COMMAND "${display_tool}" stop "${BRIVANTO_DISPLAY_DIR}")
  set_tests_properties(display.start display.start_wine_session PROPERTIES
                       FIXTURES_SETUP display TIMEOUT 90)
  set_tests_properties(display.end_wine_session display.stop PROPERTIES
                       FIXTURES_CLEANUP display TIMEOUT 90)
  set_tests_properties(display.start_wine_session PROPERTIES DEPENDS display.start
                       ENVIRONMENT "BRIVANTO_DISPLAY_FILE=${BRIVANTO_DISPLAY_DIR}/display")
  set_tests_properties(display.end_wine_session PROPERTIES
                       ENVIRONMENT "BRIVANTO_DISPLAY_FILE=/dev/null")
  set_tests_properties(display.stop PROPERTIES DEPENDS display.end_wine_session)
else()
  find_package(GTest REQUIRED)
endif()

# The host name that test builds of the component show for the stand-in service on loopback.
set(BRIVANTO_TEST_SERVICE_HOST "127.0.0.1")

# brivanto_display_environment(<variable>)
# Sets <variable> to the environment entry that gives a program run by wine-run an X display
# (and the Wine prefix for programs with windows). A test with it needs the fixture "display".
# Cross build only; use it for tests made with add_test, brivanto_add_test(... DISPLAY) does
# it by itself.
function(brivanto_display_environment variable)
  set(${variable} "BRIVANTO_DISPLAY_FILE=${BRIVANTO_DISPLAY_DIR}/display" PARENT_SCOPE)
endfunction()

# brivanto_add_test(NAME SOURCES file... LIBRARIES target... [FIXTURES name...]
#                   [ENVIRONMENT VAR=value...] [DISPLAY])
# One GoogleTest program; each of its test cases becomes a CTest test. Discovery happens when
# the tests run, so that the Windows programs are listed under Wine at test time, not at build
# time. FIXTURES names server fixtures (brivanto_add_server_fixture) that every case needs:
# CTest starts them first, and each case gets their URL files in its environment. ENVIRONMENT
# adds variables of its own. DISPLAY: the program creates windows; under Wine it runs with the
# "display" fixture's X server (no effect on Linux, where windows are in memory).
#
# A build leaves out the programs named in BRIVANTO_SKIP_TESTS: the ThreadSanitizer preset, the
# programs that start no threads, in which it can find nothing.
set(BRIVANTO_SKIP_TESTS "" CACHE STRING "Test programs (brivanto_add_test names) not to build")
function(brivanto_add_test name)
  cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBRARIES;FIXTURES;ENVIRONMENT" ${ARGN})
  if(name IN_LIST BRIVANTO_SKIP_TESTS)
    return()
  endif()
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
  set(fixtures ${ARG_FIXTURES})
  foreach(fixture IN LISTS ARG_FIXTURES)
    brivanto_fixture_environment(entry ${fixture})
    list(APPEND environment "${entry}")
  endforeach()
  if(ARG_DISPLAY AND CMAKE_CROSSCOMPILING)
    brivanto_display_environment(entry)
    list(APPEND environment "${entry}")
    list(APPEND fixtures display)
  endif()
  if(environment OR fixtures)
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
    file(WRITE "${script}"
      "foreach(test IN LISTS ${name}_TESTS)\n"
      "  set_tests_properties(\"\${test}\" PROPERTIES\n"
      "    FIXTURES_REQUIRED [==[${fixtures}]==]\n"
      "    ENVIRONMENT [==[${environment}]==])\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
  endif()
endfunction()
