# GoogleTest for both builds. Native: Debian's packages. Windows: compiled from Debian's
# googletest sources (/usr/src/googletest) with the cross compiler.
if(OSTREL_WINDOWS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Newer googletest sources define the GTest:: names themselves.
  foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# ostrel_add_test(NAME sources... LIBS libs...)
function(ostrel_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main ostrel_warnings)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# ostrel_copy_module_next_to(target): tests that load osadmmc.dll get a copy of it in their
# own folder, where LoadLibrary and COM find it first.
function(ostrel_copy_module_next_to target)
  # One copy per folder, shared by the tests built there.
  string(MAKE_C_IDENTIFIER "${CMAKE_CURRENT_BINARY_DIR}" folder)
  set(copy_target osadmmc_copy_${folder})
  if(NOT TARGET ${copy_target})
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/osadmmc.dll)
    add_custom_command(OUTPUT ${copy}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:osadmmc> ${copy}
      DEPENDS osadmmc
      COMMENT "Copying osadmmc.dll next to the tests in ${CMAKE_CURRENT_BINARY_DIR}")
    add_custom_target(${copy_target} DEPENDS ${copy})
  endif()
  add_dependencies(${target} ${copy_target})
endfunction()
