# Windows-only suites: they load the built osadmmc.dll (copied next to each test program)
# and run under Wine. The registration suite changes the prefix's registry: tests that need
# the module registered take the same resource lock.
set(osadmmc_copy ${CMAKE_CURRENT_BINARY_DIR}/osadmmc.dll)
add_custom_command(OUTPUT ${osadmmc_copy}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:osadmmc> ${osadmmc_copy}
  DEPENDS osadmmc
  COMMENT "Copying osadmmc.dll next to the snap-in tests")
add_custom_target(snapin_test_module DEPENDS ${osadmmc_copy})

ostrel_add_test(snapin_module_tests TIMEOUT 120 SOURCES
  module_test_win.cpp
  LIBS ostrel_com_guids ostrel_platform ostrel_test_support ole32 oleaut32 uuid user32 gdi32)
add_dependencies(snapin_module_tests snapin_test_module)

ostrel_add_test(snapin_registration_tests TIMEOUT 180 SOURCES
  registration_test_win.cpp
  LIBS ostrel_platform ostrel_test_support advapi32)
add_dependencies(snapin_registration_tests snapin_test_module)
set_tests_properties(snapin_registration_tests PROPERTIES RESOURCE_LOCK osadmmc_registration)
