# Suite of the text encoding adapter: detection and conversion on real songs in many code pages.
if(TARGET cantovex_textcodec)
  cantovex_test_suite(textcodec cantovex_textcodec)
endif()
