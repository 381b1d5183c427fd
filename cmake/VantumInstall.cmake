# cmake --install: the programs, the desktop entry, the icon, the MIME package and the manual in
# their FHS places; cpack -G DEB packs the same tree with the libraries we link as Depends.
include(GNUInstallDirs)
# Debian names the documentation folder after the package.
set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vantum)

install(TARGETS vantum-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(VANTUM_BUILD_GUI)
  install(TARGETS vantum RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES data/vantum.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/vantum.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES data/vantum-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME vantum.xml)
  # The window looks for its manual in <bindir>/../share/vantum.
  install(FILES src/app/help/manual.html src/app/help/welcome.html DESTINATION ${CMAKE_INSTALL_DATADIR}/vantum)
endif()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES docs/systemd/vantum-size-log.service docs/systemd/vantum-size-log.timer
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/systemd)

set(CPACK_PACKAGE_NAME vantum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vantum developers <vantum@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows where the space on a disk has gone and helps to win it back")
set(CPACK_PACKAGE_DESCRIPTION "Vantum scans a folder or every drive into a size tree and shows it as a tree list\
 with size bars, bar and pie charts and a ranking; it saves and reopens the tree, searches it,\
 exports reports, and carries file commands and cleaning tools.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_STRIP_FILES ON)
# Depends: the packages of the shared libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Registering the file types and opening files run these tools.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, xdg-utils")
include(CPack)

# cmake --install into a temporary prefix and the .deb, checked as a whole (needs every program
# built, as scripts/test does).
if(VANTUM_BUILD_TESTS AND VANTUM_BUILD_GUI)
  add_test(NAME package_install_and_deb COMMAND ${CMAKE_SOURCE_DIR}/scripts/package ${CMAKE_BINARY_DIR})
  set_tests_properties(package_install_and_deb PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)
endif()
