# The module graph as the build declares it. Each folder is one target; its own
# target_link_libraries line is the whole list of what the folder may use. This file turns
# those link lines into a plain table for the include check (CheckIncludes.cmake), so the
# check can never disagree with the build.
#
# One line per target: "<folder> <folders it may include, comma-separated> <third-party
# headers it may include, comma-separated>"; "-" stands for an empty list. A folder with a
# window side has two lines; the folder may include what either grants (the link of each
# shared library, with undefined symbols refused, keeps the two sides apart).

# The folder a target of ours belongs to ("" for other targets). A folder's window side,
# tessor_<folder>_window, belongs to the folder too.
function(_tessor_target_folder target out)
  set(folder "")
  if(target MATCHES "^tessor_app(_window)?$")
    set(folder app)
  elseif(target MATCHES "^tessor_(.+)_window$" AND EXISTS ${CMAKE_SOURCE_DIR}/${CMAKE_MATCH_1})
    set(folder ${CMAKE_MATCH_1})
  elseif(target MATCHES "^tessor_(.+)$" AND EXISTS ${CMAKE_SOURCE_DIR}/${CMAKE_MATCH_1})
    set(folder ${CMAKE_MATCH_1})
  endif()
  set(${out} ${folder} PARENT_SCOPE)
endfunction()

# Folders and third-party header families a target's link line grants. The module libraries
# `tessor` and `tessor_core` grant everything they are made of.
function(_tessor_grants target folders_out headers_out)
  set(folders "")
  set(headers "")
  get_target_property(links ${target} LINK_LIBRARIES)
  if(NOT links)
    set(links "")
  endif()
  foreach(lib IN LISTS links)
    if(lib STREQUAL "tessor" OR lib STREQUAL "tessor_core")
      _tessor_grants(${lib} sub_folders sub_headers)
      list(APPEND folders ${sub_folders})
      list(APPEND headers ${sub_headers})
    elseif(lib MATCHES "^Qt6::")
      list(APPEND headers qt)
    elseif(lib MATCHES "^DCMTK::")
      list(APPEND headers dcmtk)
    else()
      _tessor_target_folder(${lib} folder)
      if(folder)
        list(APPEND folders ${folder})
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES folders)
  list(REMOVE_DUPLICATES headers)
  set(${folders_out} ${folders} PARENT_SCOPE)
  set(${headers_out} ${headers} PARENT_SCOPE)
endfunction()

# tessor_write_module_graph(FILE target...): writes the table for the given folder targets.
function(tessor_write_module_graph file)
  set(text "")
  foreach(target IN LISTS ARGN)
    _tessor_target_folder(${target} folder)
    _tessor_grants(${target} folders headers)
    foreach(list_name folders headers)
      if(${list_name})
        string(REPLACE ";" "," ${list_name} "${${list_name}}")
      else()
        set(${list_name} "-")
      endif()
    endforeach()
    string(APPEND text "${folder} ${folders} ${headers}\n")
  endforeach()
  file(WRITE ${file} "${text}")
endfunction()
