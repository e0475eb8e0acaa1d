# Which headers a target shows to the targets that link it. Every module keeps its sources and
# headers in one folder; the build tree holds, per target, an include folder of links to just the
# headers it makes public, so a stray include of another module's inner header fails to build.
#
# orvo_public_headers(<target> FOLDER <name> HEADERS <h>... [BARE])
#   <target>'s users include "<name>/<h>" (and "<h>" alone with BARE, as the platform library's
#   users always have). Works for header-only INTERFACE targets too.
# orvo_private_headers(<target> FOLDER <name>)
#   <target> itself reaches every header of its folder, spelled "<name>/<h>" or "<h>"; so does
#   <target>_internals, an INTERFACE target for the module's own tests and benchmarks.

function(orvo_link_header from to)
  get_filename_component(dir ${to} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  file(CREATE_LINK ${from} ${to} SYMBOLIC)
endfunction()

function(orvo_public_headers target)
  cmake_parse_arguments(H "BARE" "FOLDER" "HEADERS" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  set(dirs ${root}/spelled)
  if(H_BARE)
    list(APPEND dirs ${root}/bare)
  endif()
  foreach(path IN LISTS H_HEADERS)
    get_filename_component(h ${path} NAME)
    orvo_link_header(${CMAKE_CURRENT_SOURCE_DIR}/${h} ${root}/spelled/${H_FOLDER}/${h})
    if(H_BARE)
      orvo_link_header(${CMAKE_CURRENT_SOURCE_DIR}/${h} ${root}/bare/${h})
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${dirs})
  else()
    target_include_directories(${target} PUBLIC ${dirs})
  endif()
endfunction()

function(orvo_private_headers target)
  cmake_parse_arguments(H "" "FOLDER" "" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include/${target}-private)
  if(NOT EXISTS ${root}/${H_FOLDER})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${H_FOLDER} SYMBOLIC)
  endif()
  # Before the public folders, so the module's own sources always see its headers one way.
  target_include_directories(${target} BEFORE PRIVATE ${root} ${CMAKE_CURRENT_SOURCE_DIR})
  add_library(${target}_internals INTERFACE)
  target_include_directories(${target}_internals INTERFACE ${root} ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()
