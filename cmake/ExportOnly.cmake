# zel_export_only(target symbol...): the shared library exports these C
# symbols and nothing else (on Windows by their undecorated names).  Besides keeping the interface exact, this keeps
# the GNU "unique" symbols of C++ template statics local, which would
# otherwise stop the library from ever being unloaded.
function(zel_export_only target)
  if(WIN32)
    # Windows: a module-definition file names the exports, undecorated.
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
    list(JOIN ARGN "\n    " names)
    file(WRITE ${def} "EXPORTS\n    ${names}\n")
    target_sources(${target} PRIVATE ${def})
    target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
    return()
  endif()
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  list(JOIN ARGN ";\n    " globals)
  file(WRITE ${map} "{\n  global:\n    ${globals};\n  local: *;\n};\n")
  target_link_options(${target} PRIVATE -Wl,--version-script=${map})
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map})
endfunction()
