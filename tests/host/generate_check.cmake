# The generator: the same seed gives the same bytes, another seed other
# bytes, and the database it writes loads and exports with nothing but the
# final message and nothing left unreleased.
#   cmake -DHOST=<dravenhol-host> -DWORK=<dir> [-DEMULATOR=wine] -P generate_check.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(run IN ITEMS "a;7" "b;7" "c;8")
  list(GET run 0 name)
  list(GET run 1 seed)
  execute_process(COMMAND ${EMULATOR} ${HOST} generate --scale 0.0005 --seed ${seed} ${WORK}/${name}.json
                  RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "generate --seed ${seed} failed (${result}): ${error}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/a.json ${WORK}/b.json RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "the same seed gave different databases")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/a.json ${WORK}/c.json RESULT_VARIABLE different)
if(NOT different)
  message(FATAL_ERROR "another seed gave the same database")
endif()

execute_process(COMMAND ${EMULATOR} ${HOST} export --db ${WORK}/a.json --base ${WORK}/export
                RESULT_VARIABLE result OUTPUT_VARIABLE transcript ERROR_VARIABLE transcript)
string(REGEX MATCHALL "HostMessageBox[A-Za-z]* [^\n]*" messages "${transcript}")
list(LENGTH messages count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1 OR NOT transcript MATCHES "unreleased host objects: none")
  message(FATAL_ERROR "the generated database did not export cleanly (${result}):\n${transcript}")
endif()
file(READ ${WORK}/export/BAZA/faktury.csv invoices)
string(REGEX REPLACE "[^\n]" "" invoices "${invoices}")
string(LENGTH "${invoices}" lines)
if(NOT lines EQUAL 501)
  message(FATAL_ERROR "faktury.csv has ${lines} lines, expected a header and 500 invoices")
endif()
