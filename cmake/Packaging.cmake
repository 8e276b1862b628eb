# What an installation adds beside the programs and the help pages: the desktop entry with
# its capture actions, the icons, the AppStream metainfo, the manual pages and the Debian
# documentation, and the CPack settings that turn it into vistrel_<version>_<arch>.deb
# (`make deb`; docs/packaging.md says why CPack).

set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})

configure_file(${PROJECT_SOURCE_DIR}/data/org.vistrel.Vistrel.metainfo.xml.in
               ${packaging_out}/org.vistrel.Vistrel.metainfo.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/vistrel.1 ${packaging_out}/vistrel.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/vistrel.ja.1 ${packaging_out}/vistrel.ja.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${packaging_out}/changelog @ONLY)

# Manual pages and the changelog are installed compressed, without a time stamp, so that
# two builds of one version give the same files.
set(compressed)
foreach(name vistrel.1 vistrel.ja.1 changelog)
  add_custom_command(OUTPUT ${packaging_out}/${name}.gz
    COMMAND gzip -9n -c ${packaging_out}/${name} > ${packaging_out}/${name}.gz
    DEPENDS ${packaging_out}/${name} VERBATIM)
  list(APPEND compressed ${packaging_out}/${name}.gz)
endforeach()
add_custom_target(vistrel_packaging_files ALL DEPENDS ${compressed})

# KWin grants its screenshot service by the caller's executable: the launcher has the menu
# entry, the full program (which the launcher becomes) a hidden one of its own.
set(VISTREL_FULL_PROGRAM ${CMAKE_INSTALL_FULL_LIBEXECDIR}/vistrel/vistrel-app)
configure_file(${PROJECT_SOURCE_DIR}/data/vistrel-app.desktop.in
               ${packaging_out}/vistrel-app.desktop @ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/data/vistrel.desktop ${packaging_out}/vistrel-app.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_out}/org.vistrel.Vistrel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/vistrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}x${size}/vistrel.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${packaging_out}/vistrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_out}/vistrel.ja.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1
        RENAME vistrel.1.gz)
install(FILES ${packaging_out}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vistrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vistrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vistrel developers")
set(CPACK_PACKAGE_CONTACT "The Vistrel developers <dev@vistrel.org>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Vistrel developers <dev@vistrel.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vistrel.org/)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "screen capture with a small picture editor
Vistrel captures the whole screen, the active window, or a window or
control picked with the mouse, at once, after a countdown, from a hotkey
or from the command line; a window longer than the screen is scrolled and
stitched into one picture. Each capture becomes a tab that can be trimmed,
resized, rotated, mosaicked, recoloured, annotated and stamped with a
cursor, with unlimited undo, then saved as BMP, JPEG, PNG or GIF, saved
under generated names, copied, printed or mailed. The user interface and
the manual are Japanese.")
# The libraries come from the binaries (dpkg-shlibdeps); Qt's platform and SVG plugins are
# loaded at run time, so no binary names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, xdg-utils, fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "printer-driver-cups-pdf, default-mta | mail-transport-agent")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
