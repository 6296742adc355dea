qm_test(ui_help SOURCES HelpFileTest.cpp)

# The compiled help file holds the topic the program opens, unchanged.
add_test(NAME help_chm COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/help_chm.sh
         ${CMAKE_BINARY_DIR}/Quillmoor.chm ${CMAKE_SOURCE_DIR}/help)
