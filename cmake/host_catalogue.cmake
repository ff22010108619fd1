# What the build derives from the catalogue of host functions
# (module/host/host_catalogue.inc, one HOST_FN line per function).

set(DRAVENHOL_HOST_CATALOGUE ${PROJECT_SOURCE_DIR}/module/host/host_catalogue.inc)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DRAVENHOL_HOST_CATALOGUE})

file(STRINGS ${DRAVENHOL_HOST_CATALOGUE} dravenhol_catalogue_lines REGEX "^HOST_FN\\(")
# The number of catalogue lines, for the assembly stubs' slot tables; the C++
# side asserts that it is the number of host functions the module imports.
list(LENGTH dravenhol_catalogue_lines DRAVENHOL_HOST_FUNCTION_COUNT)

# Writes a .def file: the lines of header_def (library name and named exports),
# then every catalogue function exported by its number without a name.
function(dravenhol_catalogue_def header_def out)
  file(READ ${header_def} text)
  foreach(line IN LISTS dravenhol_catalogue_lines)
    if(line MATCHES "^HOST_FN\\(([0-9]+), ([0-9]+), ([A-Za-z0-9_]+),")
      string(APPEND text "    ${CMAKE_MATCH_3} @${CMAKE_MATCH_2} NONAME\n")
    endif()
  endforeach()
  file(WRITE ${out}.new "${text}")
  configure_file(${out}.new ${out} COPYONLY)
  set_property(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header_def})
endfunction()
