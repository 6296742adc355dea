qm_test(ui_text SOURCES TextBufTest.cpp BOTH_CODEPAGES)
