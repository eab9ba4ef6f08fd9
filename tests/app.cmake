# The desktop application's suite: drives the real windows on the offscreen platform.
if(TARGET cantovex_gui)
  file(GLOB APP_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/*.cpp)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(app_tests ${APP_TEST_SOURCES})
  # QtTest for key presses through the window's shortcuts.
  target_link_libraries(app_tests PRIVATE cantovex_gui cantovex_testsupport GTest::gtest Qt6::Test)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/generated/AppBinary.h
    CONTENT "#pragma once\n#define CANTOVEX_APP_BINARY \"$<TARGET_FILE:cantovex>\"\n")
  add_dependencies(app_tests cantovex)
  cantovex_plugin_host(app_tests)
  cantovex_warnings(app_tests)
  # The window's player makes JACK clients of the program's own name: one test at a time with the
  # device tests, so none connects to another test's client.
  gtest_discover_tests(app_tests DISCOVERY_TIMEOUT 60
    PROPERTIES RESOURCE_LOCK jack ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
