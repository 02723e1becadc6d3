# zemtra_monitor_test(<name> SOURCES <files...> SIMULATION <ZEMTRA_SIM value>
#                     LABELS <labels...> [TRACE] [PLATFORM <QT_QPA_PLATFORM value>])
# One Qt Test program that drives the monitor's real windows, offscreen unless
# PLATFORM names another platform (with its options). The
# library reads ZEMTRA_SIM once per process, so each board setup is a program
# of its own; an empty sysfs tree keeps the machine's own PCI bus out, and an
# empty SIMULATION means no simulated board whatever the caller has set.
# TRACE records the register trace in <build dir>/<name>.trace.
function(zemtra_monitor_test name)
  cmake_parse_arguments(arg "TRACE" "SIMULATION;PLATFORM" "SOURCES;LABELS" ${ARGN})
  if(NOT arg_PLATFORM)
    set(arg_PLATFORM offscreen)
  endif()
  add_executable(${name} ${arg_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE zemtra_monitor Qt6::Test)
  zemtra_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set(environment "QT_QPA_PLATFORM=${arg_PLATFORM}" "ZEMTRA_SIM=${arg_SIMULATION}"
                  "ZEMTRA_SYSFS_ROOT=${CMAKE_CURRENT_BINARY_DIR}/no-sysfs")
  if(arg_TRACE)
    list(APPEND environment "ZEMTRA_TRACE=${CMAKE_CURRENT_BINARY_DIR}/${name}.trace")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" LABELS "${arg_LABELS}")
endfunction()
