# Common settings for Lumo's own targets: warnings on, include root at src/.
set(LUMO_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

function(lumo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# lumo_library(name SOURCES... [LIBS ...])
function(lumo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${LUMO_SOURCE_ROOT}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  lumo_warnings(${name})
endfunction()

# lumo_test(name SOURCES... [LIBS ...] [LABELS ...] [TIMEOUT s])
# A GoogleTest program registered as one CTest test per test case.
function(lumo_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${LUMO_SOURCE_ROOT}/src ${LUMO_SOURCE_ROOT}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  lumo_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()
