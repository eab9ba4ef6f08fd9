# cantovex-cli convert, tested from outside: exit codes, output lines, files.
if(TARGET cantovex-cli)
  add_executable(cliconvert_tests ${CMAKE_CURRENT_SOURCE_DIR}/cliconvert/CmdConvertTest.cpp)
  target_link_libraries(cliconvert_tests PRIVATE cantovex_testsupport GTest::gtest_main)
  target_compile_definitions(cliconvert_tests PRIVATE CANTOVEX_CLI="$<TARGET_FILE:cantovex-cli>")
  add_dependencies(cliconvert_tests cantovex-cli)
  cantovex_warnings(cliconvert_tests)
  gtest_discover_tests(cliconvert_tests DISCOVERY_TIMEOUT 60)
endif()
