# Installation on a Linux desktop, and the Debian package built from it.
#
# An installed copy keeps its settings, local store and transfer slots in the
# user's data folder; the prefix holds only what is installed here.

include(GNUInstallDirs)

# Installed under the package's name; the build keeps its short name, which
# the tests and the benchmarks run.
install(PROGRAMS $<TARGET_FILE:quillo> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME quillo-pad)
# install(PROGRAMS) does not strip by itself: do it for --strip and packages.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\"
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillo-pad\")
  endif()")
install(FILES ${CMAKE_SOURCE_DIR}/quillo.hlp DESTINATION ${CMAKE_INSTALL_DATADIR}/quillo-pad)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quillo-pad.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/app/icons/quillo-pad.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.quillopad.quillopad.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillo-pad)
set(CPACK_PACKAGE_VERSION 2.00)
set(CPACK_PACKAGE_VENDOR "Quillo Pad")
set(CPACK_PACKAGE_CONTACT "Quillo Pad developers <maintainers@quillo-pad.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "note pad of named groups and items, shared through a network folder")
set(CPACK_PACKAGE_DESCRIPTION "Quillo Pad keeps short notes in 31 groups of 62 items.
Notes are moved and copied with the mouse, parked in transfer slots,
searched, and read from and written to text files. Several copies on
different machines can share one store in a network folder.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins are loaded at run time, so the library scan cannot see them: the
# desktop platform plugins and the SVG plugins that draw the icon.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
include(CPack)
