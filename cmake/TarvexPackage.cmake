# Where `make install` puts the programs, and the Debian packages `cpack -G DEB`
# makes of them: tarvex (the command line, with its man page) and tarvex-gui
# (the window, with its desktop entry and icon).
include(GNUInstallDirs)

install(TARGETS tarvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)

# The man page is made from the program's own help, so that the two never disagree.
if(TARVEX_PACKAGE)
  find_program(HELP2MAN help2man REQUIRED)
  set(man_page "${CMAKE_BINARY_DIR}/tarvex.1")
  add_custom_command(
    OUTPUT "${man_page}.gz"
    COMMAND "${HELP2MAN}" --no-info --help-option=--help-all
            "--name=repair damaged Microsoft Access databases"
            "--output=${man_page}" "$<TARGET_FILE:tarvex>"
    COMMAND gzip -9nf "${man_page}"
    DEPENDS tarvex
    VERBATIM)
  add_custom_target(tarvex_man_page ALL DEPENDS "${man_page}.gz")
  install(FILES "${man_page}.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
endif()

set(components cli)
if(TARGET tarvex-gui)
  list(APPEND components gui)
  install(TARGETS tarvex-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/tarvex-gui.desktop"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/tarvex-gui.png"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps COMPONENT gui)
endif()

set(CPACK_PACKAGE_NAME tarvex)
set(CPACK_PACKAGE_VENDOR "Tarvex")
set(CPACK_PACKAGE_CONTACT "Tarvex maintainers <maintainers@tarvex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Repairs damaged Microsoft Access databases")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME tarvex)
set(CPACK_DEBIAN_CLI_DESCRIPTION "Reads a damaged .mdb (Jet 3, Jet 4) or .accdb file page by page and writes a new
database with the tables, rows, indexes, relationships and saved queries it recovers.
This package holds the command line, tarvex.")
set(CPACK_DEBIAN_GUI_PACKAGE_NAME tarvex-gui)
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_GUI_DESCRIPTION "Shows what a repair recovered and what it could not bring back, table by table,
previews the rows and saves the repaired database: the window, tarvex-gui.")
include(CPack)
