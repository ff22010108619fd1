# The host probe (probe.h), built with Microsoft's C++ ABI by Debian's clang
# (i686-pc-windows-msvc) and lld-link, against import libraries that
# llvm-dlltool makes for msvcrt.dll and kernel32.dll: nothing of MinGW's, and
# no other runtime. It lands beside QELMAR.dll, which loads it.
find_program(DRAVENHOL_MSVC_CXX NAMES clang++-14 clang++ REQUIRED)
find_program(DRAVENHOL_LLD_LINK NAMES lld-link-14 lld-link REQUIRED)
find_program(DRAVENHOL_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool HINTS /usr/lib/llvm-14/bin REQUIRED)

set(probe_dir ${CMAKE_CURRENT_LIST_DIR})
set(probe_out ${CMAKE_CURRENT_BINARY_DIR}/probe)
set(probe_dll ${CMAKE_CURRENT_BINARY_DIR}/dravenhol-probe.dll)
file(MAKE_DIRECTORY ${probe_out})
foreach(library msvcrt kernel32)
  add_custom_command(
    OUTPUT ${probe_out}/${library}.lib
    COMMAND ${DRAVENHOL_DLLTOOL} -m i386 -k -d ${probe_dir}/${library}.def -l ${probe_out}/${library}.lib
    DEPENDS ${probe_dir}/${library}.def
    VERBATIM)
endforeach()
add_custom_command(
  OUTPUT ${probe_out}/probe.obj
  COMMAND ${DRAVENHOL_MSVC_CXX} --target=i686-pc-windows-msvc -std=c++20 -fms-extensions -fexceptions
          -fcxx-exceptions -O1 -ffreestanding -nostdlibinc -DDRAVENHOL_PROBE_BUILD -Wall -Wextra -Werror
          -c ${probe_dir}/probe.cpp -o ${probe_out}/probe.obj
  DEPENDS ${probe_dir}/probe.cpp ${probe_dir}/probe.h
  VERBATIM)
add_custom_command(
  OUTPUT ${probe_dll}
  COMMAND ${DRAVENHOL_LLD_LINK} /dll /noentry /safeseh:no /nodefaultlib /brepro /out:${probe_dll}
          ${probe_out}/probe.obj ${probe_out}/msvcrt.lib ${probe_out}/kernel32.lib
  DEPENDS ${probe_out}/probe.obj ${probe_out}/msvcrt.lib ${probe_out}/kernel32.lib
  VERBATIM)
add_custom_target(dravenhol-probe ALL DEPENDS ${probe_dll})
