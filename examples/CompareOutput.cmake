# Runs PROGRAM and compares what it prints with the file EXPECTED; line
# ends compare as "\n".
execute_process(COMMAND ${PROGRAM} OUTPUT_VARIABLE Actual RESULT_VARIABLE Status)
if(NOT Status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${Status}")
endif()
file(READ ${EXPECTED} Expected)
string(REPLACE "\r\n" "\n" Actual "${Actual}")
if(NOT Actual STREQUAL Expected)
  message(FATAL_ERROR "output differs from ${EXPECTED}:\n${Actual}")
endif()
