# Fails when the program named by PROGRAM loads a Qt library beyond QtCore:
# lumo-cli has to start where there is no display and no GUI library.
#   cmake -DPROGRAM=<path> -P check_links.cmake
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ldd could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "libQt6[A-Za-z]+" qt "${libraries}")
list(REMOVE_DUPLICATES qt)
list(REMOVE_ITEM qt libQt6Core)
if(qt)
  message(FATAL_ERROR "${PROGRAM} loads ${qt}; it may load QtCore alone")
endif()
