# The layering check, run with cmake -P:
#   cmake -DSOURCE_DIR=<src> -DLAYERS_FILE=<fxe-layers.cmake> -P CheckLayers.cmake
# LAYERS_FILE (written when fxe is configured) lists each folder of src/
# with the libraries its fxe_library call DEPENDS on and its installed
# headers. The check fails when
#   - a folder under src/ with sources is not a layer (has no library),
#   - a library depends on an unknown library, or the dependencies form a cycle,
#   - a file includes a header of a folder its library does not depend on
#     (directly or through the libraries it depends on),
#   - two folders include each other,
#   - an installed header includes a header that is not installed.
# Includes are written from the src/ root: #include "values/IEValue.h".
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR OR NOT LAYERS_FILE)
  message(FATAL_ERROR "CheckLayers.cmake needs -DSOURCE_DIR=... and -DLAYERS_FILE=...")
endif()
include(${LAYERS_FILE})

set(problems "")
macro(problem text)
  string(APPEND problems "  ${text}\n")
endmacro()

# --- The dependency graph ---------------------------------------------------
foreach(folder ${FXE_LAYERS})
  set(direct_${folder} "")
  foreach(library ${FXE_LAYER_${folder}_DEPENDS})
    string(REGEX REPLACE "^fxe_" "" dependency "${library}")
    if(NOT dependency IN_LIST FXE_LAYERS)
      problem("src/${folder}: fxe_${folder} depends on ${library}, which is no layer of src/")
    else()
      list(APPEND direct_${folder} ${dependency})
    endif()
  endforeach()
endforeach()

# closure_<folder>: every folder reachable through the dependencies.
foreach(folder ${FXE_LAYERS})
  set(closure "")
  set(pending ${direct_${folder}})
  while(pending)
    list(POP_FRONT pending next)
    if(next IN_LIST closure)
      continue()
    endif()
    list(APPEND closure ${next})
    list(APPEND pending ${direct_${next}})
  endwhile()
  set(closure_${folder} ${closure})
  if(folder IN_LIST closure)
    problem("src/${folder}: the dependencies of fxe_${folder} lead back to it (a cycle)")
  endif()
endforeach()

# --- Folders that are not layers ----------------------------------------------
file(GLOB entries LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
foreach(entry ${entries})
  if(IS_DIRECTORY ${SOURCE_DIR}/${entry} AND NOT entry IN_LIST FXE_LAYERS)
    file(GLOB_RECURSE stray ${SOURCE_DIR}/${entry}/*.h ${SOURCE_DIR}/${entry}/*.cpp)
    if(stray)
      problem("src/${entry} holds sources but is no layer: give it a CMakeLists.txt with fxe_library(fxe_${entry} ...)")
    endif()
  endif()
endforeach()

# --- The includes ---------------------------------------------------------------
set(file_count 0)
set(include_count 0)
set(edges "")
foreach(folder ${FXE_LAYERS})
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file ${files})
    math(EXPR file_count "${file_count} + 1")
    get_filename_component(name ${file} NAME)
    set(installed FALSE)
    if(name IN_LIST FXE_LAYER_${folder}_HEADERS)
      set(installed TRUE)
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      math(EXPR include_count "${include_count} + 1")
      if(NOT header MATCHES "^([^/]+)/([^/]+)$")
        problem("src/${file} includes \"${header}\": include headers from the src/ root (\"<folder>/<file>.h\")")
        continue()
      endif()
      set(target ${CMAKE_MATCH_1})
      set(target_name ${CMAKE_MATCH_2})
      if(NOT target IN_LIST FXE_LAYERS)
        problem("src/${file} includes \"${header}\": src/${target} is no layer")
        continue()
      endif()
      if(NOT target STREQUAL folder)
        if(NOT target IN_LIST closure_${folder})
          problem("src/${file} includes \"${header}\": fxe_${folder} does not depend on fxe_${target}")
        endif()
        list(APPEND edges "${folder}>${target}")
      endif()
      if(installed AND NOT target_name IN_LIST FXE_LAYER_${target}_HEADERS)
        problem("src/${file} is installed but includes \"${header}\", which is not")
      endif()
    endforeach()
  endforeach()
endforeach()

list(REMOVE_DUPLICATES edges)
foreach(edge ${edges})
  string(REPLACE ">" ";" pair "${edge}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  if("${to}>${from}" IN_LIST edges AND from STRLESS to)
    problem("src/${from} and src/${to} include each other")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "Layering check failed:\n${problems}")
endif()
list(LENGTH FXE_LAYERS layer_count)
message(STATUS "Layering check: ${layer_count} layers, ${file_count} files, ${include_count} includes, no violations")
