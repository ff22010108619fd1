# The module's folders are layers. Each is one static library that compiles
# against an include tree holding only its own folder and the folders of the
# layers beneath it, so a header included the wrong way does not compile.
# Every header of the folder is also compiled on its own in that tree, so a
# header that reaches up fails too, even when no source of its layer uses it.
#
# OBJECT makes it an object library, for the top layer, whose objects (the
# entry step, the static constructors) must all reach the module's link.
#
#   dravenhol_layer(TARGET FOLDER [OBJECT] [SOURCES ...] [BELOW lower-layer-target])
function(dravenhol_layer target folder)
  cmake_parse_arguments(LAYER "OBJECT" "BELOW" "SOURCES" ${ARGN})
  set(visible ${folder})
  if(LAYER_BELOW)
    get_target_property(lower ${LAYER_BELOW} DRAVENHOL_LAYER_FOLDERS)
    list(APPEND visible ${lower})
  endif()
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(f IN LISTS visible)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/module/${f} ${root}/${f} SYMBOLIC)
  endforeach()
  if(LAYER_OBJECT)
    add_library(${target} OBJECT ${LAYER_SOURCES})
  else()
    add_library(${target} STATIC ${LAYER_SOURCES})
  endif()
  target_include_directories(${target} PUBLIC ${root})
  if(LAYER_BELOW)
    target_link_libraries(${target} PUBLIC ${LAYER_BELOW})
  endif()
  set_target_properties(${target} PROPERTIES DRAVENHOL_LAYER_FOLDERS "${visible}")
  set_property(GLOBAL APPEND PROPERTY DRAVENHOL_LAYERS ${target})

  file(GLOB_RECURSE headers RELATIVE ${PROJECT_SOURCE_DIR}/module CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/module/${folder}/*.h)
  # A platform's own headers are checked on that platform only.
  if(WIN32)
    list(FILTER headers EXCLUDE REGEX "_linux\\.h$")
  else()
    list(FILTER headers EXCLUDE REGEX "_windows\\.h$")
  endif()
  set(checks "")
  foreach(header IN LISTS headers)
    string(MAKE_C_IDENTIFIER ${header} name)
    set(check ${CMAKE_BINARY_DIR}/layers/checks/${name}.cpp)
    file(CONFIGURE OUTPUT ${check} CONTENT "#include \"${header}\"\n")
    list(APPEND checks ${check})
  endforeach()
  if(checks)
    add_library(${target}_headers OBJECT ${checks})
    target_include_directories(${target}_headers PRIVATE ${root})
    target_compile_options(${target}_headers PRIVATE -Wno-unused-function)
    add_dependencies(${target} ${target}_headers)
  endif()
endfunction()
