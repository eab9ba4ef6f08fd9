# Lyric text file readers (txt, rtf, doc, docx, odt) on real documents.
if(TARGET cantovex_documents)
  cantovex_test_suite(documents cantovex_documents)
endif()
