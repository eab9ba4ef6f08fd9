# The Debian package: built with cpack, unpacked inside the build folder, both programs run from it.
if(TARGET cantovex-cli AND TARGET cantovex)
  add_test(NAME Package.DebInstallsAndBothProgramsRun
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package/deb_test.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(Package.DebInstallsAndBothProgramsRun PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
