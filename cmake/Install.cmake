# Installation and the Debian package. `cmake --install` puts the programs in <prefix>/bin, the
# shipped data (templates, help, pictures) in <prefix>/share/quillbox, the desktop entry and
# the icon where desktops look for them. The programs find their data from their own folder,
# so the prefix can be anything (a DESTDIR, an unpacked package).
include(GNUInstallDirs)

file(RELATIVE_PATH QB_DATA_FROM_PROGRAM
  ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/quillbox)
set_property(SOURCE src/platform/Folders.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  QB_BUILD_DIR="${CMAKE_BINARY_DIR}" QB_DATA_FROM_PROGRAM="${QB_DATA_FROM_PROGRAM}")

install(TARGETS quillbox-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quillbox)
  install(TARGETS quillbox RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillbox)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quillbox.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quillbox.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# `cpack -G DEB` in the build folder makes quillbox_<version>_<arch>.deb. The libraries it
# needs come from dpkg-shlibdeps; the programs it starts are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillbox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quillbox developers <quillbox@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Notes browser: keep clippings from web pages as notes")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, not linked: the X platform plugin, the MIME database, libwmf's fonts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils, shared-mime-info, media-types, fonts-urw-base35")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xvfb")
set(CPACK_STRIP_FILES ON)
include(CPack)
