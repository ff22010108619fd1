# Sessions checked through the transcript of dravenhol-host, natively and
# under Wine. Included from tests/CMakeLists.txt.
function(dravenhol_transcript_case name settings expect)
  cmake_parse_arguments(PARSE_ARGV 3 case "NO_FILES" "METHOD" "")
  add_test(NAME transcript_${name}
           COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:dravenhol-host> "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                   -DWORK=${CMAKE_CURRENT_BINARY_DIR}/transcript_${name} "-DSETTINGS=${settings}"
                   "-DEXPECT=${expect}" -DMETHOD=${case_METHOD} -DNO_FILES=${case_NO_FILES}
                   -P ${CMAKE_CURRENT_LIST_DIR}/transcript_case.cmake)
endfunction()

dravenhol_transcript_case(features [[{"featureWord": "untouched"}]]
  [[HostCallback 1 -1|HostAlertBox "STOP!!!" "Program nie obsługuje cech 0xFFFFFFFF,\nktóre są niezbędne]] NO_FILES)
dravenhol_transcript_case(missing_functions [[{"missingFunctions": [52082, 20937]}]]
  [[Handshake 0|Command 31053|funkcje o numerach 20937, 52082 z modułu głównego,\njednak moduł główny ich nie posiada]]
  NO_FILES)
dravenhol_transcript_case(record_lengths [[{"recordLengths": {"Tspr": 1470}}]]
  [[\x01tl18l33\x01TABELA\tWE WTYCZCE\tW PROGRAMIE\n\x01tp25p40\x01Tspr\t1469\t1470\n\nModuł \x02dravenhol]] NO_FILES)
dravenhol_transcript_case(host_verdict [[{"checkModule": 1, "checkModuleText": "Wersja demonstracyjna."}]]
  [[HostAlertBox "STOP!!!" "Wersja demonstracyjna."]] NO_FILES)
dravenhol_transcript_case(interface_version [[{"interfaceVersion": 113}]]
  [[i program występują w różnych wersjach!]] NO_FILES)
dravenhol_transcript_case(cancel [[{}]] [[HostRunDialog 21135 "Jak wysyłać dane" cancel]] METHOD cancel NO_FILES)
dravenhol_transcript_case(open_failure [[{"failures": {"openOutput": ["BAZA\\faktury_pozycje.csv"]}}]]
  [[HostMessageBoxFormat "Uwaga" "Nie można otworzyć pliku: BAZA\\faktury_pozycje.csv"|Pliki uworzono w katalogu]])
dravenhol_transcript_case(full_disk [[{"failures": {"write": {"from": 1}}}]]
  [[Plik BAZA\\uzytkownicy.csv nie został zapisany w całości.\nOperacja niekompletna!|Pliki uworzono w katalogu]])
dravenhol_transcript_case(missing_item_file [[{"failures": {"missingItemFile": {"invoices": [1001]}}}]]
  [[HostErrorMessage "Błąd" "Brak pliku dokumentu!" "Dravenhol"|# unreleased host objects: none]])
# Exceptions of the host's in each form at calls throughout a run, natively
# and under Wine (there in Microsoft's ABI, through the host probe, once for
# each C runtime the host's streams may come from).
function(dravenhol_exception_sweep name runtime)
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:dravenhol-host> "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                   -DWORK=${CMAKE_CURRENT_BINARY_DIR}/${name} -DWINDOWS=${WIN32} -DRUNTIME=${runtime}
                   -P ${CMAKE_CURRENT_LIST_DIR}/exception_sweep.cmake)
endfunction()
if(WIN32)
  foreach(runtime IN ITEMS msvcrt msvcr100 ucrtbase)
    dravenhol_exception_sweep(exception_sweep_${runtime} ${runtime})
  endforeach()
else()
  dravenhol_exception_sweep(exception_sweep "")
endif()
# The sample under hosts that differ where the host's behaviour is its own
# choice (natively those whose behaviour is not Windows' alone).
add_test(NAME host_variations
         COMMAND ${CMAKE_COMMAND} -DHOST=$<TARGET_FILE:dravenhol-host> "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                 -DWORK=${CMAKE_CURRENT_BINARY_DIR}/host_variations -DGOLDEN=${PROJECT_SOURCE_DIR}/tests/golden
                 -DWINDOWS=${WIN32} -P ${CMAKE_CURRENT_LIST_DIR}/host_variations.cmake)
# What the host's printf and holder-apply return is not what decides a file's
# completeness: the stream's own state is.
dravenhol_transcript_case(results [[{"results": {"HostHolderApply": 7, "HostFilePrintf": 0}}]]
  [[Pliki uworzono w katalogu|# unreleased host objects: none]])
