# The sample exported under Universal by hosts that differ where the host's
# behaviour is the host's own choice: how it joins a path, whether its base
# directory ends with a backslash, whose C runtime its streams come from, how
# large its row buffer is and what it leaves in it and in its record
# buffers, and what its recoding does with a character the file system's
# code page lacks. Every session must end, give back every host object, and
# write the eight files byte for byte as the default host does (the golden
# copies), except where the base directory holds a character the code page
# lacks: there the files are refused (each named, as refused or, when the
# first of its pair was refused, as not written whole) and nothing is written
# anywhere. Under Wine every variation runs; natively those whose
# behaviour is not Windows' alone.
#   cmake -DHOST=<dravenhol-host> [-DEMULATOR=<runner>] -DWORK=<dir> -DGOLDEN=<tests/golden> [-DWINDOWS=ON]
#         -P host_variations.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/output_files.cmake)

# name, where (all or windows), what (same or refused), host settings. A host
# whose HostPathAppend only concatenates is only ever one whose base
# directory ends with a backslash: the two belong together.
set(variations
  "default|all|same|{}"
  "base_trailing_backslash|all|same|{\"baseTrailingBackslash\": true}"
  "path_append_concatenates|all|same|{\"baseTrailingBackslash\": true, \"pathAppend\": \"concatenate\"}"
  "scratch_garbage|all|same|{\"scratchGarbage\": true}"
  "scratch_large_garbage|all|same|{\"scratchBufferSize\": 16384, \"scratchGarbage\": true}"
  "record_garbage|all|same|{\"recordGarbage\": true}"
  "runtime_msvcrt|windows|same|{\"streamRuntime\": \"msvcrt\"}"
  "runtime_msvcr100|windows|same|{\"streamRuntime\": \"msvcr100\"}"
  "runtime_ucrtbase|windows|same|{\"streamRuntime\": \"ucrtbase\"}"
  "all_at_once|all|same|{\"baseTrailingBackslash\": true, \"pathAppend\": \"concatenate\", \"scratchBufferSize\": 16384, \"scratchGarbage\": true, \"recordGarbage\": true, \"streamRuntime\": \"msvcr100\"}"
  "recode_question_mark|windows|refused|{\"baseSubdirectory\": \"Biuro\\u00bd2024\", \"recodeMissing\": \"question\"}"
  "recode_drops|windows|refused|{\"baseSubdirectory\": \"Biuro\\u00bd2024\", \"recodeMissing\": \"drop\"}")

set(failures 0)
set(sessions 0)
foreach(variation IN LISTS variations)
  string(REPLACE "|" ";" fields "${variation}")
  list(GET fields 0 name)
  list(GET fields 1 where)
  list(GET fields 2 what)
  list(GET fields 3 settings)
  if(where STREQUAL "windows" AND NOT WINDOWS)
    message(STATUS "${name}: Windows only, skipped")
    continue()
  endif()
  set(base ${WORK}/${name})
  file(REMOVE_RECURSE ${base})
  file(MAKE_DIRECTORY ${base})
  string(TIMESTAMP started "%s")
  execute_process(COMMAND ${EMULATOR} ${HOST} export --base ${base} --method universal --host ${settings}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 300)
  string(TIMESTAMP ended "%s")
  math(EXPR seconds "${ended} - ${started}")
  math(EXPR sessions "${sessions} + 1")
  set(problems "")
  if(NOT rc EQUAL 0)
    list(APPEND problems "the session did not end normally (${rc}): ${err}")
  endif()
  string(FIND "${out}" "# unreleased host objects: none" at)
  if(at EQUAL -1)
    list(APPEND problems "host objects left unreleased")
  endif()
  if(what STREQUAL "same")
    dravenhol_differing_output_files(differing ${base}/BAZA ${GOLDEN}/universal)
    if(differing)
      list(APPEND problems "differs from the default host's files: ${differing}")
    endif()
  else()
    # Each file is named: refused, or, when the first of its pair was
    # refused, not written whole.
    foreach(file IN LISTS DRAVENHOL_OUTPUT_FILES)
      string(FIND "${out}" "Nie można otworzyć pliku: BAZA\\\\${file}\"" refused)
      string(FIND "${out}" "Plik BAZA\\\\${file} nie został zapisany w całości." incomplete)
      if(refused EQUAL -1 AND incomplete EQUAL -1)
        list(APPEND problems "${file} not named as refused or incomplete")
      endif()
    endforeach()
    string(FIND "${out}" "Nie można otworzyć pliku: BAZA\\\\umowystale.csv\"" at)
    if(at EQUAL -1)
      list(APPEND problems "the first file not refused with its message")
    endif()
    file(GLOB_RECURSE written LIST_DIRECTORIES false RELATIVE ${base} ${base}/*.csv)
    if(written)
      list(APPEND problems "files written: ${written}")
    endif()
  endif()
  if(problems)
    math(EXPR failures "${failures} + 1")
    string(REPLACE ";" "\n  " problems "${problems}")
    message(SEND_ERROR "${name} (${settings}):\n  ${problems}\ntranscript:\n${out}")
  else()
    message(STATUS "${name}: as expected (${seconds} s)")
  endif()
endforeach()
message(STATUS "host variations: ${sessions} sessions, ${failures} failed")
