# The layering of the source folders, checked when the build is configured
# and again by the suite (so an include added later is caught by the tests).
include(${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake)
add_test(NAME source_layers
  COMMAND ${CMAKE_COMMAND} -DLUMO_SOURCE_ROOT=${LUMO_SOURCE_ROOT} -P ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake)

# The flows' port links no Qt module but Core: walk everything lumo_flow
# links, directly or through other libraries.
function(lumo_collect_links target out)
  set(seen ${${out}})
  get_target_property(links ${target} LINK_LIBRARIES)
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  foreach(lib IN LISTS links interface)
    if(NOT lib OR lib IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${lib})
    if(TARGET ${lib} AND NOT lib MATCHES "^Qt6::")
      lumo_collect_links(${lib} seen)
    endif()
  endforeach()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# The same holds for lumo-cli, which runs where there is no display.
foreach(core_only IN ITEMS lumo_flow lumo-cli)
  if(NOT TARGET ${core_only})
    continue()
  endif()
  set(core_links "")
  lumo_collect_links(${core_only} core_links)
  foreach(lib IN LISTS core_links)
    if(lib MATCHES "^Qt6::" AND NOT lib STREQUAL "Qt6::Core")
      message(FATAL_ERROR "${core_only} must link no Qt module but Core; it reaches ${lib}")
    endif()
  endforeach()
endforeach()
