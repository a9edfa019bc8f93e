# Keeps the arrows between the source folders pointing down: a folder may
# include headers of its own layer and of the layers below, never above.
#   cmake -DLUMO_SOURCE_ROOT=<repo> -P cmake/CheckLayers.cmake
# The core (text, torrent, store, net) sits at the bottom, then the engine
# binding, the flows' port, the flows, and the windows on top.
set(rank_text 0)
set(rank_torrent 0)
set(rank_store 0)
set(rank_net 0)
set(rank_player 1)
set(rank_flow 2)
set(rank_resolve 3)
set(rank_sources 3)
set(rank_account 3)
set(rank_remote 3)
set(rank_playback 3)
set(rank_app 4)
# The terminal program stands beside the windows: it may use the flows, not them.
set(rank_cli 4)

if(NOT LUMO_SOURCE_ROOT)
  get_filename_component(LUMO_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()
file(GLOB_RECURSE sources RELATIVE "${LUMO_SOURCE_ROOT}/src"
  "${LUMO_SOURCE_ROOT}/src/*.h" "${LUMO_SOURCE_ROOT}/src/*.cpp")
set(faults "")
foreach(file IN LISTS sources)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  if(NOT DEFINED rank_${folder})
    string(APPEND faults "  src/${file}: folder '${folder}' has no layer in cmake/CheckLayers.cmake\n")
    continue()
  endif()
  file(STRINGS "${LUMO_SOURCE_ROOT}/src/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^/\"]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^/\"]+)/.*$" "\\1" target "${line}")
    if(DEFINED rank_${target} AND rank_${target} GREATER rank_${folder})
      string(APPEND faults "  src/${file}: ${folder}/ must not include ${target}/ (${line})\n")
    # The window program and the terminal program share the flows below
    # them, never each other's code.
    elseif(NOT folder STREQUAL target AND rank_${target} EQUAL 4 AND rank_${folder} EQUAL 4)
      string(APPEND faults "  src/${file}: ${folder}/ must not include ${target}/ (${line})\n")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes that point up the layers:\n${faults}")
endif()
