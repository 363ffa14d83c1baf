# zel_export_only(target symbol...): the shared library exports these C
# symbols and nothing else.  Besides keeping the interface exact, this keeps
# the GNU "unique" symbols of C++ template statics local, which would
# otherwise stop the library from ever being unloaded.
function(zel_export_only target)
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  list(JOIN ARGN ";\n    " globals)
  file(WRITE ${map} "{\n  global:\n    ${globals};\n  local: *;\n};\n")
  target_link_options(${target} PRIVATE -Wl,--version-script=${map})
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map})
endfunction()
