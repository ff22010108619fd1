# Checks a release zip from outside: its entries and their checksums, the
# guide's form, the DLL's version resource and tables, and, under the
# emulator, that the DLL from the zip loaded by the replacement host exports
# the bundled sample byte for byte as the golden copies.
#   cmake -DZIP=<zip> -DVERSION=<x.y> -DWINDRES=<windres> -DOBJDUMP=<objdump> -DHOST=<dravenhol-host.exe>
#         -DEMULATOR=<runner> -DGOLDEN=<dir> -DWORK=<dir> -P zip_check.cmake
if(NOT EXISTS "${ZIP}")
  message("no release zip at ${ZIP}: run scripts/release.sh first")
  return()
endif()
set(unpacked ${WORK}/unpacked)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${unpacked} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${ZIP}")
endif()

set(payload dravenhol.dll CZYTAJ.txt pliki.md files.md csv-metadata.json baza.py)
file(GLOB entries RELATIVE ${unpacked} ${unpacked}/*)
list(SORT entries)
set(expected ${payload} SHA256SUMS)
list(SORT expected)
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "the zip holds '${entries}', expected '${expected}'")
endif()

# Every other entry listed once in SHA256SUMS ("hash  name"), with its hash.
file(STRINGS ${unpacked}/SHA256SUMS sums)
set(listed "")
foreach(line IN LISTS sums)
  if(NOT line MATCHES "^([0-9a-f]+)  (.+)$")
    message(FATAL_ERROR "SHA256SUMS: not a checksum line: ${line}")
  endif()
  file(SHA256 ${unpacked}/${CMAKE_MATCH_2} actual)
  if(NOT actual STREQUAL CMAKE_MATCH_1)
    message(FATAL_ERROR "SHA256SUMS: ${CMAKE_MATCH_2} differs")
  endif()
  list(APPEND listed ${CMAKE_MATCH_2})
endforeach()
list(SORT listed)
set(sorted_payload ${payload})
list(SORT sorted_payload)
if(NOT listed STREQUAL sorted_payload)
  message(FATAL_ERROR "SHA256SUMS lists '${listed}', expected '${sorted_payload}'")
endif()

# The guide: UTF-8 with a byte order mark, every line ended by CR LF, no
# maintainers' notes. Read as bytes: file(READ) as text drops carriage returns.
file(READ ${unpacked}/CZYTAJ.txt guide HEX)
string(REGEX REPLACE "(..)" "\\1 " bytes "${guide}")
string(REGEX MATCHALL " 0a" line_feeds " ${bytes}")
string(REGEX MATCHALL " 0d 0a" line_ends " ${bytes}")
list(LENGTH line_feeds feeds)
list(LENGTH line_ends ends)
if(NOT bytes MATCHES "^ef bb bf ")
  message(FATAL_ERROR "CZYTAJ.txt does not start with the UTF-8 byte order mark")
endif()
if(NOT feeds EQUAL ends OR feeds EQUAL 0)
  message(FATAL_ERROR "CZYTAJ.txt: ${feeds} line feeds, ${ends} of them after a carriage return")
endif()
if(bytes MATCHES "0a 25 25 ")
  message(FATAL_ERROR "CZYTAJ.txt holds maintainers' notes (lines starting with %%)")
endif()

# The version resource, decoded by the resource compiler.
set(DLL ${unpacked}/dravenhol.dll)
execute_process(COMMAND ${WINDRES} -i ${DLL} -O rc OUTPUT_VARIABLE resource RESULT_VARIABLE rc)
string(REPLACE "." ";" numbers "${VERSION}.0.0.0")
list(SUBLIST numbers 0 4 numbers)
list(JOIN numbers ", " commas)
foreach(text IN ITEMS "LANGUAGE 21, 1" "FILEVERSION ${commas}" "PRODUCTVERSION ${commas}"
                      "VALUE \"FileVersion\", \"${VERSION}\"" "VALUE \"ProductVersion\", \"${VERSION}\""
                      "VALUE \"ProductName\", \"Dravenhol\"" "VALUE \"FileDescription\""
                      "VALUE \"OriginalFilename\", \"dravenhol.dll\"")
  string(FIND "${resource}" "${text}" at)
  if(NOT rc EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "the DLL's version resource lacks ${text}:\n${resource}")
  endif()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/../windows/dll_exports.cmake)

execute_process(COMMAND ${EMULATOR} ${HOST} --version OUTPUT_VARIABLE host_version)
if(NOT host_version MATCHES "^${VERSION}[\r\n]")
  message(FATAL_ERROR "dravenhol-host --version says '${host_version}', the DLL ${VERSION}")
endif()

set(MODULE ${DLL})
set(release_work ${WORK})
foreach(METHOD IN ITEMS universal interkam)
  set(WORK ${release_work}/${METHOD})
  include(${CMAKE_CURRENT_LIST_DIR}/../golden/compare.cmake)
endforeach()
message(STATUS "${ZIP}: entries, checksums, guide, version ${VERSION}, tables and the sample export are right")
