# What `cmake --install` lays out beside the programs (each program's own
# CMakeLists installs it into bin/), and the Debian package made from the same
# installation with `cpack -G DEB`.

install(FILES data/header_mps_group.dat DESTINATION ${CMAKE_INSTALL_DATADIR}/vornconverter)
install(FILES data/desktop/vornconverter.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/desktop/vornconverter.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/vornconv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornconverter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VornConverter developers <vornconverter@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter of hand-held GPS waypoints, routes and track logs")
set(CPACK_PACKAGE_DESCRIPTION
    "VornConverter reads MPS mapserver scripts, Waypoint+ text, VornConnect files and
VornPointer logs and writes MPS, Waypoint+ or VornConnect files. It has a command
line, vornconv, and a window, vornconverter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.invalid/vornconverter")
# The libraries come from dpkg-shlibdeps when it is there (dpkg-dev); the
# window's fonts are no library, so they are named: Liberation Serif stands in
# for the "Times New Roman" of its captions, Noto CJK shows its Japanese.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), qt6-qpa-plugins, fonts-liberation, fonts-noto-cjk | fonts-ipafont-gothic")
set(CPACK_STRIP_FILES ON)
include(CPack)
