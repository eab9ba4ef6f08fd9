# cantovex-cli hyphenate, run from outside: output and messages.
if(TARGET cantovex-cli)
  set(partial ${CMAKE_CURRENT_BINARY_DIR}/hyphenate_partial)
  file(WRITE ${partial}/hyphenation/Lang_ger.hyp "not a pattern file")
  add_test(NAME cli_hyphenate COMMAND cantovex-cli hyphenate --lang de Straße Silbentrennung)
  set_tests_properties(cli_hyphenate PROPERTIES ENVIRONMENT "LANG=C"
    PASS_REGULAR_EXPRESSION "^Stra-ße\nSil-ben-tren-nung\n$")
  add_test(NAME cli_hyphenate_unknown_language COMMAND cantovex-cli hyphenate --lang xx Wort)
  set_tests_properties(cli_hyphenate_unknown_language PROPERTIES ENVIRONMENT "LANG=C"
    PASS_REGULAR_EXPRESSION "Unknown language: xx")
  add_test(NAME cli_hyphenate_damaged_file COMMAND cantovex-cli hyphenate --lang de Wort)
  set_tests_properties(cli_hyphenate_damaged_file PROPERTIES
    ENVIRONMENT "LANG=de_DE.UTF-8;CANTOVEX_DATA_DIR=${partial}"
    PASS_REGULAR_EXPRESSION "Silbentrennungsdatei \"[^\"]*Lang_ger.hyp\" ist beschädigt")
  add_test(NAME cli_hyphenate_missing_file COMMAND cantovex-cli hyphenate --lang it amore)
  set_tests_properties(cli_hyphenate_missing_file PROPERTIES
    ENVIRONMENT "LANG=C;CANTOVEX_DATA_DIR=${partial}"
    PASS_REGULAR_EXPRESSION "hyphenation file \"[^\"]*Lang_ita.hyp\" cannot be opened")
endif()
