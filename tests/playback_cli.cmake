# cantovex-cli's play, ports and render commands, run from outside as a user would.
file(GLOB PLAYBACK_CLI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/playback_cli/*.cpp)
if(TARGET cantovex-cli AND PLAYBACK_CLI_TEST_SOURCES)
  add_executable(playback_cli_tests ${PLAYBACK_CLI_TEST_SOURCES})
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PLAYBACK_CLI_TEST_DEPS REQUIRED IMPORTED_TARGET rtmidi jack)
  target_include_directories(playback_cli_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/platform)
  target_link_libraries(playback_cli_tests PRIVATE cantovex_testsupport GTest::gtest_main PkgConfig::PLAYBACK_CLI_TEST_DEPS)
  target_compile_definitions(playback_cli_tests PRIVATE CANTOVEX_CLI="$<TARGET_FILE:cantovex-cli>")
  add_dependencies(playback_cli_tests cantovex-cli)
  cantovex_warnings(playback_cli_tests)
  gtest_discover_tests(playback_cli_tests DISCOVERY_TIMEOUT 60
    PROPERTIES RESOURCE_LOCK jack ENVIRONMENT "JACK_NO_START_SERVER=1")
endif()
