qm_test(ui_dialog SOURCES DialogBaseTest.cpp FileUtilTest.cpp ComboListCtrlTest.cpp dialog_test.rc
        DEPENDS Quillmoor)
