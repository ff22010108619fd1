# Runs one session of dravenhol-host with host settings and checks that the
# transcript holds the expected texts. The same cases run natively and, for
# the Windows build, under Wine, so the DLL's loader, binding, structured
# exceptions and messages are checked on the real target too.
#   cmake -DHOST=<dravenhol-host> [-DEMULATOR=<runner>] -DWORK=<dir> -DSETTINGS=<json>
#         [-DMETHOD=universal|interkam|cancel] -DEXPECT=<text>[|<text>...] [-DNO_FILES=ON]
#         -P transcript_case.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(NOT METHOD)
  set(METHOD universal)
endif()
set(command ${HOST} export --base "${WORK}" --method ${METHOD} --host "${SETTINGS}")
if(EMULATOR)
  set(command ${EMULATOR} ${command})
endif()
execute_process(COMMAND ${command} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 600)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the session failed (${rc}):\n${out}\n${err}")
endif()
string(REPLACE "|" ";" expected "${EXPECT}")
foreach(text IN LISTS expected)
  string(FIND "${out}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the transcript lacks: ${text}\ntranscript:\n${out}")
  endif()
endforeach()
if(NO_FILES AND EXISTS "${WORK}/BAZA")
  message(FATAL_ERROR "the session created BAZA:\n${out}")
endif()
