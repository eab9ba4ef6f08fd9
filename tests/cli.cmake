# cantovex-cli, tested from outside as a user runs it: stdout, stderr, exit code and the files it
# writes. The playback tests use the machine's devices (a JACK server when one runs) and take the
# JACK lock the device suite takes too.
file(GLOB CLI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/cli/*.cpp)
if(CLI_TEST_SOURCES AND TARGET cantovex-cli)
  find_package(nlohmann_json 3 REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CLI_TEST_DEPS REQUIRED IMPORTED_TARGET rtmidi jack)
  add_executable(cli_tests ${CLI_TEST_SOURCES})
  target_include_directories(cli_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/platform)
  target_link_libraries(cli_tests PRIVATE cantovex_testsupport GTest::gtest_main nlohmann_json::nlohmann_json
    PkgConfig::CLI_TEST_DEPS)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/generated/CliBinary.h
    CONTENT "#pragma once\n#define CANTOVEX_CLI \"$<TARGET_FILE:cantovex-cli>\"\n")
  add_dependencies(cli_tests cantovex-cli)
  cantovex_warnings(cli_tests)
  gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60 TEST_FILTER "-CliPlayback.*")
  gtest_discover_tests(cli_tests DISCOVERY_TIMEOUT 60 TEST_FILTER "CliPlayback.*"
    PROPERTIES RESOURCE_LOCK jack ENVIRONMENT "JACK_NO_START_SERVER=1")
endif()
