# Test servers as CTest fixtures, for the tests of every build (see native_tools.cmake).
#
#   brivanto_add_server_fixture(<name> TOOL <native tool target> [ARGS arg...])
#
# adds two tests: <name>.start runs the tool as "<tool> --port 0 ARGS..." in the background,
# waits for the first line it prints, which must be the URL it serves (such as
# http://127.0.0.1:41234), and keeps it in a file; <name>.stop stops the server once every test
# that needs it has run. Tests ask for fixtures with brivanto_add_test(... FIXTURES <name>...),
# which gives them the environment variable of brivanto_fixture_environment() below; test code
# reads the URL with fixture_url() of tests/support/fixture_url.h. The server's output is in
# <build>/fixtures/<name>/log.

set(BRIVANTO_SERVER_FIXTURE "${CMAKE_CURRENT_LIST_DIR}/server-fixture")

function(brivanto_add_server_fixture name)
  cmake_parse_arguments(ARG "" "TOOL" "ARGS" ${ARGN})
  if(NOT ARG_TOOL OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "usage: brivanto_add_server_fixture(<name> TOOL <target> [ARGS ...])")
  endif()
  brivanto_native_tool(program ${ARG_TOOL})
  set(directory "${CMAKE_BINARY_DIR}/fixtures/${name}")
  add_test(NAME ${name}.start
           COMMAND "${BRIVANTO_SERVER_FIXTURE}" start "${directory}" "${program}" --port 0
                   ${ARG_ARGS})
  set_tests_properties(${name}.start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 90)
  add_test(NAME ${name}.stop COMMAND "${BRIVANTO_SERVER_FIXTURE}" stop "${directory}")
  set_tests_properties(${name}.stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 90)
endfunction()

# brivanto_fixture_environment(<variable> <name>)
# Sets <variable> to "BRIVANTO_FIXTURE_<NAME>_URL_FILE=<path of the fixture's URL file>", the
# path as the test program sees it (a Wine drive path in the cross build). <NAME> is the name
# in capitals, with every character other than a letter or digit written as "_".
function(brivanto_fixture_environment variable name)
  string(TOUPPER "${name}" upper)
  string(REGEX REPLACE "[^A-Z0-9]" "_" upper "${upper}")
  set(path "${CMAKE_BINARY_DIR}/fixtures/${name}/url")
  if(CMAKE_CROSSCOMPILING)
    set(path "Z:${path}")  # Wine's drive for the Unix root
  endif()
  set(${variable} "BRIVANTO_FIXTURE_${upper}_URL_FILE=${path}" PARENT_SCOPE)
endfunction()
