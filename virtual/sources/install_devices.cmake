# Installs one copy of the source library per device of a scenario, as
# TWAIN's own manager (TWAINDSM.DLL) wants them: one identity per file.
#   cmake -DSCENARIO=scenario.json -DSOURCE=zelvirtual.ds -DFOLDER=<twain_32 or twain_64>
#         -P install_devices.cmake
# Device N goes to FOLDER/ZelVirtual/zelvirtual-N.ds (the "-N" binds the file
# to the scenario's N-th device); copies of an earlier, longer scenario go.
foreach(var SCENARIO SOURCE FOLDER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "install_devices: ${var} is not set")
  endif()
endforeach()
file(READ "${SCENARIO}" text)
string(JSON count ERROR_VARIABLE problem LENGTH "${text}" sources)
if(problem)
  message(FATAL_ERROR "install_devices: ${SCENARIO}: ${problem}")
endif()
set(target "${FOLDER}/ZelVirtual")
file(MAKE_DIRECTORY "${target}")
file(GLOB old "${target}/zelvirtual-*.ds")
if(old)
  file(REMOVE ${old})
endif()
if(count GREATER 0)
  foreach(n RANGE 1 ${count})
    file(COPY_FILE "${SOURCE}" "${target}/zelvirtual-${n}.ds" ONLY_IF_DIFFERENT)
  endforeach()
endif()
message(STATUS "install_devices: ${count} device file(s) in ${target}")
