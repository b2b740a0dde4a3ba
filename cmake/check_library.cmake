# Checks what a built component library shows the outside world: it exports its entry and
# nothing else, and (Windows) imports only from system DLLs, so that it loads in the player with
# nothing beside it.
#
#   cmake -DLIBRARY=<file> -DTOOL=<objdump or nm> -DWINDOWS=<ON|OFF> -P check_library.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed_imports ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL WINHTTP.DLL)

if(WINDOWS)
  execute_process(COMMAND "${TOOL}" -p "${LIBRARY}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read ${LIBRARY}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  list(TRANSFORM imports REPLACE "^DLL Name: " "")
  list(TRANSFORM imports TOUPPER)
  foreach(dll IN LISTS imports)
    if(NOT dll IN_LIST allowed_imports)
      message(FATAL_ERROR "${LIBRARY} needs ${dll}, which is not part of Windows")
    endif()
  endforeach()
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" table "${dump}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_0-9@]+" exports "${table}")
  list(TRANSFORM exports REPLACE "^\\[ *[0-9]+\\] " "")
else()
  execute_process(COMMAND "${TOOL}" -D --defined-only "${LIBRARY}" OUTPUT_VARIABLE dump
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read ${LIBRARY}")
  endif()
  string(REGEX MATCHALL " [TDBRW] [^\n]+" exports "${dump}")
  list(TRANSFORM exports REPLACE "^ [TDBRW] " "")
endif()

if(NOT exports STREQUAL "foobar2000_get_interface")
  message(FATAL_ERROR "${LIBRARY} exports '${exports}' instead of foobar2000_get_interface alone")
endif()
message(STATUS "${LIBRARY}: exports foobar2000_get_interface only; imports ${imports}")
