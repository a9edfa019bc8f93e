# The Qt components the window and binding tests use.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)

# lumo_qt_test(name SOURCES... [LIBS ...] [LABELS ...] [TIMEOUT s] [ENV var=value])
# Like lumo_test, for programs that create a Qt application: each test case
# runs on the offscreen platform unless ENV names another platform. Test
# discovery passes one environment entry only; the tests set the rest (such
# as a fresh LUMO_HOME) themselves.
function(lumo_qt_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;ENV" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${LUMO_SOURCE_ROOT}/src ${LUMO_SOURCE_ROOT}/tests ${LUMO_SOURCE_ROOT})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  lumo_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(env "QT_QPA_PLATFORM=offscreen")
  if(ARG_ENV)
    set(env "${ARG_ENV}")
  endif()
  set(properties TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()
