# Runs one export of the sample database through the replacement host and
# compares the eight files byte for byte with the committed copies. Without DB
# the host takes the sample compiled into it (a store in memory); with DB, the
# sample's file, compiled into a store on disk that the host maps.
#   cmake -DHOST=<dravenhol-host> -DMETHOD=universal|interkam -DWORK=<dir> -DGOLDEN=<dir>
#         [-DEMULATOR=wine] [-DMODULE=<module>] [-DDB=<qelmar/sample/sample.json>] [-DSETTINGS=<host json>]
#         -P compare.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/output_files.cmake)

set(module_option "")
if(MODULE)
  set(module_option --module ${MODULE})
endif()
if(DB)
  list(APPEND module_option --db ${DB})
endif()
if(SETTINGS)
  list(APPEND module_option --host ${SETTINGS})
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${EMULATOR} ${HOST} export --base ${WORK} --method ${METHOD} ${module_option}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE transcript
  ERROR_VARIABLE transcript)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dravenhol-host failed (${result}):\n${transcript}")
endif()

dravenhol_differing_output_files(differing ${WORK}/BAZA ${GOLDEN}/${METHOD})
if(differing)
  message(FATAL_ERROR "${METHOD}: differs from the golden copy: ${differing} (written to ${WORK}/BAZA)")
endif()
