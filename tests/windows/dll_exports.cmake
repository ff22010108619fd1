# Checks the Windows DLL's tables: PE32 for i386, exactly the exports 30001,
# 30008, 30009 and 30010 without names, and imports only from system DLLs.
#   cmake -DOBJDUMP=<objdump> -DDLL=<dravenhol.dll> -P dll_exports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

set(failures "")
if(NOT dump MATCHES "file format pei-i386")
  string(APPEND failures "not a PE32 i386 image\n")
endif()

string(REGEX MATCHALL "\\+base\\[([0-9]+)\\]" exports "${dump}")
string(REGEX REPLACE "\\+base\\[([0-9]+)\\]" "\\1" exports "${exports}")
if(NOT exports STREQUAL "30001;30008;30009;30010")
  string(APPEND failures "exports by number: '${exports}', expected 30001;30008;30009;30010\n")
endif()
if(dump MATCHES "\\[Name Pointer/Ordinal\\] Table[ \t]+0*[1-9]")
  string(APPEND failures "the export table names some exports\n")
endif()
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]*\n)" names "${dump}")
if(CMAKE_MATCH_1 MATCHES "\\[")
  string(APPEND failures "named exports: ${CMAKE_MATCH_1}\n")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" import "${import}")
  string(TOLOWER "${import}" lower)
  if(NOT lower MATCHES "^(kernel32|user32|msvcrt|advapi32|ntdll)\\.dll$")
    string(APPEND failures "imports from a non-system DLL: ${import}\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "exports ${exports}; imports ${imports}")
