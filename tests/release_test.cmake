# Checks the package that scripts/release writes, as a listener's player meets it: the zip's
# entries, and for each DLL its machine type, its exports and imports (check_library.cmake), its
# version resource, the service it talks to, and its size. Reports every fault it finds.
#
#   cmake -DPACKAGE=build/release/foo_brivanto-<version>.fb2k-component -P tests/release_test.cmake
cmake_minimum_required(VERSION 3.25)

set(max_bytes 400000)
set(shipped_url "https://www.brivanto.com")
set(shipped_host "www.brivanto.com")

if(NOT PACKAGE MATCHES "foo_brivanto-(([0-9]+)\\.([0-9]+)\\.([0-9]+))\\.fb2k-component$")
  message(FATAL_ERROR "usage: cmake -DPACKAGE=<folder>/foo_brivanto-<version>.fb2k-component "
                      "-P ${CMAKE_CURRENT_LIST_FILE}")
endif()
set(version "${CMAKE_MATCH_1}")
set(version_numbers "${CMAKE_MATCH_2}, ${CMAKE_MATCH_3}, ${CMAKE_MATCH_4}, 0")
find_program(OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)  # reads x86 and x64 files alike
find_program(WINDRES x86_64-w64-mingw32-windres REQUIRED)

# The player takes the DLL at the root on 32-bit and the one under x64/ on 64-bit Windows; the
# entries are sorted, as reproducible packages are.
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar tf "${PACKAGE}"
                OUTPUT_VARIABLE entries RESULT_VARIABLE failed)
string(STRIP "${entries}" entries)
string(REPLACE "\n" ";" entries "${entries}")
set(expected LICENSE THIRD_PARTY_NOTICES foo_brivanto.dll x64/ x64/foo_brivanto.dll)
if(failed OR NOT entries STREQUAL expected)
  message(FATAL_ERROR "${PACKAGE} holds '${entries}' instead of '${expected}'")
endif()
get_filename_component(contents "${PACKAGE}" DIRECTORY)
set(contents "${contents}/checked-package")
file(REMOVE_RECURSE "${contents}")
file(ARCHIVE_EXTRACT INPUT "${PACKAGE}" DESTINATION "${contents}")

function(expect_value rc name value)
  if(NOT rc MATCHES "VALUE \"${name}\", \"([^\"]*)\"" OR NOT CMAKE_MATCH_1 STREQUAL value)
    message(SEND_ERROR "${dll}: version resource: ${name} is '${CMAKE_MATCH_1}', not '${value}'")
  endif()
endfunction()

function(check_dll entry format)
  set(dll "${contents}/${entry}")

  execute_process(COMMAND "${OBJDUMP}" -f "${dll}" OUTPUT_VARIABLE header)
  if(NOT header MATCHES "file format ${format}\n")
    string(REGEX MATCH "file format [^\n]*" found "${header}")
    message(SEND_ERROR "${dll}: ${found}, not ${format}")
  endif()

  execute_process(COMMAND "${CMAKE_COMMAND}" -DLIBRARY=${dll} -DTOOL=${OBJDUMP} -DWINDOWS=ON
                          -P "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../cmake/check_library.cmake"
                  RESULT_VARIABLE failed)
  if(failed)
    message(SEND_ERROR "${dll}: exports or imports are wrong (above)")
  endif()

  execute_process(COMMAND "${WINDRES}" -i "${dll}" -O rc OUTPUT_VARIABLE rc RESULT_VARIABLE failed)
  string(REGEX MATCH "VERSIONINFO.*" rc "${rc}")
  foreach(field FILEVERSION PRODUCTVERSION)
    if(failed OR NOT rc MATCHES "\n ${field} ${version_numbers}\n")
      message(SEND_ERROR "${dll}: version resource: ${field} is not ${version_numbers}")
    endif()
  endforeach()
  expect_value("${rc}" FileVersion "${version}")
  expect_value("${rc}" ProductVersion "${version}")
  expect_value("${rc}" ProductName "brivanto Scrobbler")
  expect_value("${rc}" FileDescription "Scrobble to ${shipped_host}")
  expect_value("${rc}" OriginalFilename "foo_brivanto.dll")

  # The shipped service, and nothing of the test world: no test address, no GoogleTest.
  file(STRINGS "${dll}" urls REGEX "^https?://[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)+(:[0-9]+)?$")
  if(NOT urls STREQUAL shipped_url)
    message(SEND_ERROR "${dll}: talks to '${urls}' instead of ${shipped_url}")
  endif()
  file(STRINGS "${dll}" test_world REGEX "127\\.0\\.0\\.1|gtest|testing::")
  if(test_world)
    message(SEND_ERROR "${dll}: carries test code: ${test_world}")
  endif()

  file(SIZE "${dll}" bytes)
  if(bytes GREATER max_bytes)
    message(SEND_ERROR "${dll}: ${bytes} bytes, more than ${max_bytes}")
  endif()
  message(STATUS "${entry}: ${format}, ${bytes} bytes, version ${version}")
endfunction()

check_dll(foo_brivanto.dll pei-i386)
check_dll(x64/foo_brivanto.dll pei-x86-64)
