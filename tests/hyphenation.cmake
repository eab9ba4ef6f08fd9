# The lyrics tests compile small pattern sets with the pattern compiler.
if(TARGET lyrics_tests AND TARGET cantovex_hyphc)
  target_link_libraries(lyrics_tests PRIVATE cantovex_hyphc)
endif()
