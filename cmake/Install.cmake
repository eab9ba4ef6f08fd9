# Install layout (FHS) and the Debian package.
#   bin/cantovex, bin/cantovex-cli
#   share/cantovex3/{hyphenation,manual,demo}   found by the programs from <bin>/../share/cantovex3
#   lib/cantovex3/plugins                        plugins (cmake/Plugins.cmake), from <bin>/../lib/cantovex3/plugins
#   share/applications, share/icons/hicolor, share/metainfo, share/doc/cantovex3
#   share/bash-completion/completions/cantovex-cli
include(GNUInstallDirs)

set(CANTOVEX_APP_ID "de.maravelt.cantovex3")
set(CANTOVEX_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/cantovex3")

foreach(program cantovex cantovex-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET cantovex-cli)
  install(FILES ${PROJECT_BINARY_DIR}/src/cli/cantovex-cli.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME cantovex-cli)
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/hyphenation/ DESTINATION ${CANTOVEX_INSTALL_DATADIR}/hyphenation
        FILES_MATCHING PATTERN "Lang_*.hyp" PATTERN "sources" EXCLUDE)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/manual/ DESTINATION ${CANTOVEX_INSTALL_DATADIR}/manual)
install(FILES ${PROJECT_SOURCE_DIR}/data/demo/demo.kar DESTINATION ${CANTOVEX_INSTALL_DATADIR}/demo)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/THIRD_PARTY_NOTICES.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/cantovex3)

if(TARGET cantovex)
  set(desktop ${PROJECT_SOURCE_DIR}/data/desktop)
  install(FILES ${desktop}/${CANTOVEX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${desktop}/${CANTOVEX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${desktop}/icons/${CANTOVEX_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${desktop}/icons/${CANTOVEX_APP_ID}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${CANTOVEX_APP_ID}.png)
  endforeach()
endif()

# cpack -G DEB: the runtime libraries come from dpkg-shlibdeps; the synthesizer needs a SoundFont.
set(CPACK_PACKAGE_NAME cantovex3)
set(CPACK_PACKAGE_VENDOR Maravelt)
set(CPACK_PACKAGE_CONTACT "Maravelt")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Put lyrics into MIDI songs for arranger keyboards")
set(CPACK_PACKAGE_DESCRIPTION
    "Opens Standard MIDI Files and karaoke songs, builds or corrects their lyrics and syllable times, plays them with the current syllable highlighted and saves them as format 0 or 1. Includes the command-line tool cantovex-cli.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm")
# Qt's own dialogs in German come from the translations package.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, qt6-translations-l10n")
include(CPack)
