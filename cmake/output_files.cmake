# The names of the eight output files, in table order, read from the module's
# table of output files (module/export/output_files.inc) into
# DRAVENHOL_OUTPUT_FILES. Usable in a project and in a -P script.
set(DRAVENHOL_OUTPUT_TABLE ${CMAKE_CURRENT_LIST_DIR}/../module/export/output_files.inc)
file(STRINGS ${DRAVENHOL_OUTPUT_TABLE} dravenhol_output_rows REGEX "^OUTPUT_FILE\\(\"")
set(DRAVENHOL_OUTPUT_FILES "")
foreach(row IN LISTS dravenhol_output_rows)
  string(REGEX MATCH "^OUTPUT_FILE\\(\"([^\"]+)\"" _ "${row}")
  list(APPEND DRAVENHOL_OUTPUT_FILES ${CMAKE_MATCH_1})
endforeach()

# Sets out to the output files that differ, byte for byte, between the
# directories first and second.
function(dravenhol_differing_output_files out first second)
  set(differing "")
  foreach(name IN LISTS DRAVENHOL_OUTPUT_FILES)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${first}/${name} ${second}/${name}
                    RESULT_VARIABLE different)
    if(different)
      list(APPEND differing ${name})
    endif()
  endforeach()
  set(${out} "${differing}" PARENT_SCOPE)
endfunction()
