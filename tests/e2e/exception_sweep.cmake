# Exceptions that host functions raise inside the export, in each form the
# host raises them (a structured exception with parameters, its SE_Exception,
# its HostError), at calls throughout a run of the sample: natively as C++
# exceptions of those classes, and under Wine in Microsoft's ABI through the
# host probe. In every case the host's frame receives what was raised, intact
# (from inside the line writer, its SE_Exception: its report, then a
# structured exception of the same code), nothing stays unreleased, the state bit is restored, and every
# file holds the whole lines of a clean run's file up to where the run stopped.
# RUNTIME names the C runtime whose streams the host hands out (Windows:
# msvcrt, msvcr100 or ucrtbase; by default the host's own default).
#   cmake -DHOST=<dravenhol-host> [-DEMULATOR=<runner>] -DWORK=<dir> [-DWINDOWS=ON] [-DRUNTIME=<name>]
#         -P exception_sweep.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/output_files.cmake)

# function:call, and "line" when the call is inside the line writer. The
# calls are those of the sample under Universal.
set(cases
  HostCursorNext:3             # the contracts' walk
  HostReadItems:2              # an invoice's items
  HostGetAttribute:5           # a contractor's attributes
  HostScanStep:2               # the discount scan
  HostOpenItemFile:13          # the discount data file
  HostDialogBaseConstruct:1    # building the plug-in object
  HostHolderInit:1             # its first file holder
  HostHolderIsSet:36           # the last call: its destructor closing the holders
  HostFilePrintf:3:line        # the line writer: the write,
  HostConvertText:20:line      # the conversion,
  HostAlloc:5:line)            # the conversion buffer
set(forms structured SE_Exception HostError)
set(code 0xC0000005)

function(run_host name settings)
  set(base ${WORK}/${name})
  file(REMOVE_RECURSE ${base})
  file(MAKE_DIRECTORY ${base})
  set(runtime_option "")
  if(RUNTIME)
    set(runtime_option --stream-runtime ${RUNTIME})
  endif()
  execute_process(COMMAND ${EMULATOR} ${HOST} export --base ${base} --method universal --host ${settings}
                          ${runtime_option}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 300)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}: the session failed (${rc}):\n${out}\n${err}")
  endif()
  set(transcript "${out}" PARENT_SCOPE)
endfunction()

function(expect name transcript text)
  string(FIND "${transcript}" "${text}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${name}: the transcript lacks: ${text}\n${transcript}")
  endif()
endfunction()

function(expect_not name transcript text)
  string(FIND "${transcript}" "${text}" at)
  if(NOT at EQUAL -1)
    message(SEND_ERROR "${name}: the transcript has: ${text}\n${transcript}")
  endif()
endfunction()

# Every file is empty or a clean run's beginning, cut at a line end.
function(expect_whole_lines name)
  foreach(file IN LISTS DRAVENHOL_OUTPUT_FILES)
    set(path ${WORK}/${name}/BAZA/${file})
    if(NOT EXISTS ${path})
      continue()
    endif()
    file(READ ${path} content HEX)
    file(READ ${WORK}/clean/BAZA/${file} whole HEX)
    string(LENGTH "${content}" length)
    string(SUBSTRING "${whole}" 0 ${length} beginning)
    if(NOT content STREQUAL beginning OR (length GREATER 0 AND NOT content MATCHES "0d0a$"))
      message(SEND_ERROR "${name}: ${file} is not a clean run's beginning in whole lines")
    endif()
  endforeach()
endfunction()

function(expect_clean name transcript)
  foreach(text ExceptionChanged ExceptionObjectsLeft StateFlagsChanged HostExceptionReportInformationChanged
               DialogTypeMismatch CommandFrameMissing)
    expect_not(${name} "${transcript}" ${text})
  endforeach()
  expect(${name} "${transcript}" "# unreleased host objects: none")
endfunction()

run_host(clean "{}")
expect_clean(clean "${transcript}")
if(WINDOWS)
  expect(clean "${transcript}" [[DialogType "class CDravenhol"]])
endif()

set(count 0)
foreach(case IN LISTS cases)
  string(REPLACE ":" ";" fields ${case})
  list(GET fields 0 function)
  list(GET fields 1 call)
  list(LENGTH fields n)
  foreach(form IN LISTS forms)
    set(name ${function}_${call}_${form})
    run_host(${name} "{\"failures\": {\"raise\": {\"function\": \"${function}\", \"call\": ${call}, \"code\": \"${code}\", \"as\": \"${form}\"}}}")
    expect_clean(${name} "${transcript}")
    if(n EQUAL 3 AND form STREQUAL "SE_Exception")
      expect(${name} "${transcript}" "HostExceptionReport \"SaveInUtf\" ${code}")
      expect(${name} "${transcript}" "CommandFault ${code}")
    else()
      expect_not(${name} "${transcript}" "HostExceptionReport")
      if(form STREQUAL "structured")
        expect(${name} "${transcript}" "CommandFault ${code}")
      else()
        expect(${name} "${transcript}" "CommandCaught ${form} ${code}")
      endif()
      expect_whole_lines(${name})
    endif()
    math(EXPR count "${count} + 1")
  endforeach()
endforeach()

# A frame that continues structured exceptions: one raised by the host goes
# on where it was raised, and the run ends as a clean one, also when it was
# raised inside the line writer.
if(WINDOWS)
  run_host(resumed_HostCursorNext
           [[{"resumeStructured": true, "failures": {"raise": {"function": "HostCursorNext", "call": 3}}}]])
  expect_clean(resumed "${transcript}")
  expect(resumed "${transcript}" "CommandResumed 1")
  expect_not(resumed "${transcript}" "CommandFault")
  expect(resumed "${transcript}" "Pliki uworzono w katalogu")
  dravenhol_differing_output_files(differing ${WORK}/resumed_HostCursorNext/BAZA ${WORK}/clean/BAZA)
  if(differing)
    message(SEND_ERROR "resumed: differs from a clean run: ${differing}")
  endif()
  run_host(resumed_HostFilePrintf
           [[{"resumeStructured": true, "failures": {"raise": {"function": "HostFilePrintf", "call": 3}}}]])
  expect_clean(resumed_line "${transcript}")
  expect_not(resumed_line "${transcript}" "HostExceptionReport")
  expect(resumed_line "${transcript}" "CommandResumed 1")
  expect_not(resumed_line "${transcript}" "CommandFault")
  expect(resumed_line "${transcript}" "Pliki uworzono w katalogu")
  dravenhol_differing_output_files(differing ${WORK}/resumed_HostFilePrintf/BAZA ${WORK}/clean/BAZA)
  if(differing)
    message(SEND_ERROR "resumed_line: differs from a clean run: ${differing}")
  endif()
  math(EXPR count "${count} + 2")
endif()
message(STATUS "exception sweep: ${count} sessions")
