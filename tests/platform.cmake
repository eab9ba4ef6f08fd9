# Suite of the device adapters: MIDI port and synthesizer, on real devices when the machine has them.
# The tests share one JACK server and its client names, so they never run at the same time.
set(platform_libs)
foreach(adapter cantovex_midiport cantovex_synth)
  if(TARGET ${adapter})
    list(APPEND platform_libs ${adapter})
  endif()
endforeach()
file(GLOB PLATFORM_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/*.cpp)
if(platform_libs AND PLATFORM_TEST_SOURCES)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(PLATFORM_TEST_DEPS REQUIRED IMPORTED_TARGET rtmidi jack)
  add_executable(platform_tests ${PLATFORM_TEST_SOURCES})
  target_include_directories(platform_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/playback)
  target_link_libraries(platform_tests PRIVATE cantovex_testsupport GTest::gtest_main ${platform_libs}
    PkgConfig::PLATFORM_TEST_DEPS)
  cantovex_warnings(platform_tests)
  gtest_discover_tests(platform_tests DISCOVERY_TIMEOUT 60
    PROPERTIES RESOURCE_LOCK jack ENVIRONMENT "JACK_NO_START_SERVER=1")
endif()
