# Windows-only suites: they load the built osadmmc.dll (copied next to the test programs)
# and run under Wine. The registration suite changes the prefix's registry: tests that need
# the module registered take the same resource lock.
ostrel_add_test(snapin_module_tests TIMEOUT 120 SOURCES
  module_test_win.cpp
  LIBS ostrel_com_guids ostrel_platform ostrel_test_support ole32 oleaut32 uuid user32 gdi32)
ostrel_copy_module_next_to(snapin_module_tests)

ostrel_add_test(snapin_registration_tests TIMEOUT 180 SOURCES
  registration_test_win.cpp
  LIBS ostrel_snapin_logic ostrel_platform ostrel_test_support advapi32)
ostrel_copy_module_next_to(snapin_registration_tests)
set_tests_properties(snapin_registration_tests PROPERTIES RESOURCE_LOCK osadmmc_registration)
