qm_test(ui_registry SOURCES RegistryKeyTest.cpp)
