# One run of fbplayer for a command-line test: checks its exit status and what it said on
# standard error. Variables: PLAYER, COMPONENT, PROFILE, COMMANDS ("~" ends a line), STATUS,
# STDERR (a regular expression); RENAME=NAME runs a copy of the component named NAME;
# BLOCK=.cfg or .cfg.new puts a folder where that file of the configuration should be;
# STORED=TEXT stores TEXT as the configuration, which must be as it was after the run.
file(REMOVE_RECURSE "${PROFILE}")
file(MAKE_DIRECTORY "${PROFILE}")
if(RENAME)
  file(COPY_FILE "${COMPONENT}" "${PROFILE}/${RENAME}")
  set(COMPONENT "${PROFILE}/${RENAME}")
endif()
get_filename_component(name "${COMPONENT}" NAME)
set(stored "${PROFILE}/configuration/${name}.cfg")
if(BLOCK)
  file(MAKE_DIRECTORY "${PROFILE}/configuration/${name}${BLOCK}")
endif()
if(STORED)
  file(WRITE "${stored}" "${STORED}")
endif()
string(REPLACE "~" "\n" COMMANDS "${COMMANDS}")
file(WRITE "${PROFILE}/script" "${COMMANDS}\n")
execute_process(COMMAND "${PLAYER}" --component "${COMPONENT}" --profile "${PROFILE}"
                        --script "${PROFILE}/script"
                RESULT_VARIABLE status ERROR_VARIABLE stderr)
if(NOT status STREQUAL STATUS OR NOT stderr MATCHES "${STDERR}")
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}; standard error:\n${stderr}")
endif()
if(STORED)
  file(READ "${stored}" after)
  if(NOT after STREQUAL STORED)
    message(FATAL_ERROR "the stored configuration was changed:\n${after}")
  endif()
endif()
if(BLOCK STREQUAL ".cfg" AND NOT IS_DIRECTORY "${stored}")
  message(FATAL_ERROR "the folder in place of the configuration is gone")
endif()
