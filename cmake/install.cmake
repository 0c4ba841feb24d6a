# Install rules: `cmake --install build --prefix PREFIX` lays out
#   bin/corvane, bin/corvane-cli
#   share/corvane/corvane.html                      the help page
#   share/applications/ID.desktop                   the launcher
#   share/icons/hicolor/{scalable,48x48,256x256}/apps/ID.{svg,png}
#   share/metainfo/ID.metainfo.xml                  software-centre metadata
#   share/mime/packages/ID.xml                      the scene files' type
#   share/man/man1/corvane.1.gz, corvane-cli.1.gz
#   share/doc/corvane/copyright, changelog.gz       the licence, the changes
# The program finds its help page from its own folder (bin/../share/corvane),
# so one build installs into any prefix. `--strip` (and the package) strips
# the programs and drops the compiler's notes (.comment) from them.

install(TARGETS corvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CORVANE_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CORVANE_DOC_FILES} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/corvane)

if(CORVANE_BUILD_GUI)
  install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES data/corvane.html DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane)
  install(FILES data/${CORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_BINARY_DIR}/data/${CORVANE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The desktop's type database takes it in with update-mime-database (the
  # Debian package's trigger runs it).
  install(FILES data/${CORVANE_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME ${CORVANE_APP_ID}.xml)
  set(icon_root ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${CORVANE_ICON_SVG} DESTINATION ${icon_root}/scalable/apps)
  foreach(size 48 256)
    install(FILES ${CORVANE_ICON_DIR}/${size}x${size}/${CORVANE_APP_ID}.png
            DESTINATION ${icon_root}/${size}x${size}/apps)
  endforeach()
endif()

set(installed_programs corvane-cli)
if(CORVANE_BUILD_GUI)
  list(APPEND installed_programs corvane)
endif()
install(CODE "set(corvane_programs \"${installed_programs}\")
  set(corvane_strip \"${CMAKE_STRIP}\")
  set(corvane_bindir \"${CMAKE_INSTALL_BINDIR}\")")
install(CODE [[
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program IN LISTS corvane_programs)
      set(file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${corvane_bindir}/${program}")
      execute_process(COMMAND "${corvane_strip}" --remove-section=.comment "${file}"
                      RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR "could not remove .comment from ${file}")
      endif()
    endforeach()
  endif()
]])
