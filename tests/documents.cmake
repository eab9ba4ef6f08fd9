# Lyric text file readers (txt, rtf, doc, docx, odt) on real documents.
if(TARGET cantovex_documents)
  # libzip makes hostile variants of the fixture documents.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TEST_LIBZIP REQUIRED IMPORTED_TARGET libzip)
  cantovex_test_suite(documents cantovex_documents PkgConfig::TEST_LIBZIP)
endif()
