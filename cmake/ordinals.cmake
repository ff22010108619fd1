# Exports by number from one .def file per library.
#
# On Windows the .def file is linked as it is ("name @N NONAME" exports number
# N without a name). On Linux the same file yields the library's export
# directory: the data symbol "ordinal_exports", an array of {number, address}
# pairs ended by a zero number, which the platform layer searches the way the
# Windows loader searches a DLL's export table. Entries without NONAME are
# also exported by their own names; nothing else leaves the library.
function(dravenhol_ordinal_exports target def_file)
  if(WIN32)
    target_sources(${target} PRIVATE ${def_file})
    return()
  endif()
  file(STRINGS ${def_file} lines)
  set(entries "")
  set(globals "    ordinal_exports;\n")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*([A-Za-z_][A-Za-z0-9_]*)[ \t]+@([0-9]+)")
      set(name ${CMAKE_MATCH_1})
      string(APPEND entries "        .quad ${CMAKE_MATCH_2}, ${name}\n")
      if(NOT line MATCHES "NONAME")
        string(APPEND globals "    ${name};\n")
      endif()
    endif()
  endforeach()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_ordinals)
  file(WRITE ${out}.S
       "        .data\n        .balign 8\n        .globl ordinal_exports\n"
       "        .type ordinal_exports,@object\nordinal_exports:\n${entries}        .quad 0, 0\n"
       "        .section .note.GNU-stack,\"\",@progbits\n")
  file(WRITE ${out}.map "{\n  global:\n${globals}  local: *;\n};\n")
  target_sources(${target} PRIVATE ${out}.S)
  target_link_options(${target} PRIVATE "-Wl,--version-script=${out}.map")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${out}.map ${def_file})
endfunction()
