# Exports one generated database store with the Windows build (under Wine) and
# with the native build, and compares the eight files byte for byte: the
# Windows build on a business-sized database, read through its bounded map
# windows, against the native one. The native build generates the store and
# exports it; without a native build the test is skipped.
#   cmake -DHOST=<dravenhol-host.exe> -DEMULATOR=<runner> -DNATIVE_HOST=<native dravenhol-host>
#         -DSCALE=<f> -DSEED=<n> -DWORK=<dir> -P large_database.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/output_files.cmake)

if(NOT EXISTS "${NATIVE_HOST}")
  message("skipped: no native build at ${NATIVE_HOST} (build the native preset first)")
  return()
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE transcript ERROR_VARIABLE transcript)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${transcript}")
  endif()
  string(REGEX MATCHALL "HostMessageBox[A-Za-z]* [^\n]*" messages "${transcript}")
  list(LENGTH messages count)
  if(what MATCHES "export" AND (NOT count EQUAL 1 OR NOT transcript MATCHES "unreleased host objects: none"))
    message(FATAL_ERROR "${what} did not end cleanly:\n${transcript}")
  endif()
endfunction()

string(TIMESTAMP start "%s")
run("native generate" ${NATIVE_HOST} generate --scale ${SCALE} --seed ${SEED} ${WORK}/store)
run("native export" ${NATIVE_HOST} export --db ${WORK}/store --base ${WORK}/native)
# The program under Wine may take minutes at this size.
set(ENV{DRAVENHOL_WINE_TIMEOUT} 1500)
run("Windows export" ${EMULATOR} ${HOST} export --db ${WORK}/store --base ${WORK}/windows)
string(TIMESTAMP end "%s")

dravenhol_differing_output_files(differing ${WORK}/native/BAZA ${WORK}/windows/BAZA)
if(differing)
  message(FATAL_ERROR "scale ${SCALE}: the Windows export differs from the native one: ${differing} "
                      "(in ${WORK}/windows/BAZA and ${WORK}/native/BAZA)")
endif()
math(EXPR seconds "${end} - ${start}")
message("scale ${SCALE}, seed ${SEED}: the eight files are the same on both builds (${seconds} s)")
