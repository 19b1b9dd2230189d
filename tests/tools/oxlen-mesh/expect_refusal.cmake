# Runs a command that must fail with one clear line on standard error.
#   cmake -DCOMMAND="a;b;c" -DMESSAGE=<regex> -P expect_refusal.cmake
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(result EQUAL 0)
  message(FATAL_ERROR "the command succeeded:\n${out}\n${err}")
endif()
if(NOT err MATCHES "${MESSAGE}")
  message(FATAL_ERROR "the error does not say '${MESSAGE}':\n${err}")
endif()
string(STRIP "${err}" stripped)
if(stripped MATCHES "\n")
  message(FATAL_ERROR "the error takes more than one line:\n${err}")
endif()
