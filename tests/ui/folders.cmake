qm_test(ui_folders SOURCES FolderTest.cpp BOTH_CODEPAGES LOCK display)
