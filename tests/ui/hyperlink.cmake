qm_test(ui_hyperlink SOURCES WindowSubclassTest.cpp HoverTrackerTest.cpp ThemeApiTest.cpp HyperlinkCtrlTest.cpp
        LOCK display)
