# cantovex-cli tests: run the built binary and check stdout, stderr and the exit code.
file(GLOB CLI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cli/*.cpp)
if(CLI_TEST_SOURCES AND TARGET cantovex-cli)
  add_executable(cli_tests ${CLI_TEST_SOURCES})
  find_package(nlohmann_json 3 REQUIRED)
  target_link_libraries(cli_tests PRIVATE cantovex_testsupport GTest::gtest_main nlohmann_json::nlohmann_json)
  target_compile_definitions(cli_tests PRIVATE CANTOVEX_CLI="$<TARGET_FILE:cantovex-cli>"
    CANTOVEX_DEMO_SONG="${PROJECT_SOURCE_DIR}/data/demo/demo.kar")
  add_dependencies(cli_tests cantovex-cli)
  cantovex_warnings(cli_tests)
  gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60)
endif()
