# Windows-only suites: they load the built osadmmc.dll (copied next to the test programs)
# and run under Wine. Its registration test changes the prefix's registry: tests that need
# the module registered take the same resource lock.
ostrel_add_test(snapin_module_tests TIMEOUT 180 SOURCES
  module_win_test.cpp
  LIBS ostrel_com_guids ostrel_snapin_logic ostrel_platform ostrel_test_support ole32 oleaut32 uuid user32 gdi32
       advapi32)
ostrel_copy_module_next_to(snapin_module_tests)
set_tests_properties(snapin_module_tests PROPERTIES RESOURCE_LOCK osadmmc_registration)

