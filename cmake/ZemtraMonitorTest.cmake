# zemtra_monitor_suite(<suite> LABELS <labels...> SOURCES <files...>
#                      [PLATFORM <QT_QPA_PLATFORM value>] [ENVIRONMENT <VAR=value...>])
# The monitor's Qt Test suites are one program, zemtra_monitor_tests, that
# drives the real windows on simulated boards each test sets up at run time
# (the shared fixture is in tests/monitor). A suite adds its sources to the
# program and is one CTest test, monitor_<suite>, running it with the suite's
# name: offscreen unless PLATFORM names another platform (xcb: on an X server
# of the test's own).
function(zemtra_monitor_suite suite)
  cmake_parse_arguments(arg "" "PLATFORM" "SOURCES;LABELS;ENVIRONMENT" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Test)
  set(program zemtra_monitor_tests)
  if(NOT TARGET ${program})
    set(fixture ${PROJECT_SOURCE_DIR}/tests/monitor)
    add_executable(${program} ${fixture}/monitor_main.cpp ${fixture}/monitor_fixture.h
                              ${fixture}/private_x_server.h)
    # The library's objects linked in, with the controls of the simulated boards.
    set_target_properties(${program} PROPERTIES AUTOMOC ON ZEMTRA_LINK_INTERNAL ON)
    target_include_directories(${program} PRIVATE ${fixture})
    target_link_libraries(${program} PRIVATE zemtra_monitor Qt6::Test)
    target_compile_definitions(${program} PRIVATE
      ZEMTRA_TEST_HELP_FILE="${CMAKE_BINARY_DIR}/monitor/Zemtra Monitor Help")
    add_dependencies(${program} zemtra_monitor_help)
    zemtra_warnings(${program})
  endif()
  if(NOT arg_PLATFORM)
    set(arg_PLATFORM offscreen)
  endif()
  target_sources(${program} PRIVATE ${arg_SOURCES})
  add_test(NAME monitor_${suite} COMMAND ${program} ${suite})
  # A test function that hangs fails within a minute, naming itself.
  set(environment "QT_QPA_PLATFORM=${arg_PLATFORM}" QTEST_FUNCTION_TIMEOUT=60000 ${arg_ENVIRONMENT})
  set_tests_properties(monitor_${suite} PROPERTIES LABELS "${arg_LABELS}" ENVIRONMENT "${environment}")
endfunction()
