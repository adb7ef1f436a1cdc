# What is installed, and the packages CPack makes of it (scripts/package.sh runs them):
#   Windows build: an NSIS installer and a portable zip of the program, the command-line program,
#                  the sample plug-in, a README and the help page;
#   Linux build:   a Debian package of the command-line program with its manual page and bash
#                  completion, and the help page.
set(CPACK_PACKAGE_VENDOR "Calderwynstrope")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Batch file renamer for music collections, with undo")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS calderwynstrope calderwynstrope-cli RUNTIME DESTINATION .)
  # Next to the program: the plug-ins folder it searches unless told otherwise.
  install(TARGETS space_replacer LIBRARY DESTINATION . RUNTIME DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY
                 NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt ${CW_HELP_PAGE} DESTINATION .)

  set(CPACK_PACKAGE_NAME calderwynstrope)
  set(CPACK_PACKAGE_FILE_NAME calderwynstrope-${PROJECT_VERSION}-win64)
  set(CPACK_GENERATOR "NSIS;ZIP")
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Calderwynstrope)
  # Our own installer script, found before CPack's.
  list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/ui/app/res/calderwynstrope.ico)
  set(CPACK_NSIS_MUI_UNIICON ${CPACK_NSIS_MUI_ICON})
  # The zip is the portable copy: it carries the marker that keeps data next to the program.
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/windows/portable_marker.cmake)
else()
  include(GNUInstallDirs)
  install(TARGETS calderwynstrope-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/src/cli/calderwynstrope-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/calderwynstrope-cli.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME calderwynstrope-cli)
  install(FILES ${CW_HELP_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/calderwynstrope-cli)

  set(CPACK_PACKAGE_NAME calderwynstrope-cli)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Calderwynstrope developers <calderwynstrope@example.invalid>")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGE_DESCRIPTION "calderwynstrope-cli previews and makes batch renames from an ordered\n\
list of filters (change case, replace, strip, pad, flip, renumber, names from ID3v1\n\
tags, filter files made by the Windows program). It never overwrites a file, and\n\
every run can be undone.")
endif()

include(CPack)
