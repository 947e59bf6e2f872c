# What `cmake --install` lays out beside the programs (each program's own
# CMakeLists installs it into bin/), and the Debian package made from the same
# installation with `cpack -G DEB`.

# Folders as Debian has them, whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(FILES data/header_mps_group.dat DESTINATION ${CMAKE_INSTALL_DATADIR}/vornconverter)
install(FILES data/desktop/vornconverter.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/desktop/vornconverter.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/completion/vornconv DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Debian keeps manual pages and changelogs compressed at the highest level,
# without the name and time of the file in the gzip header (-n), so the
# package is the same from build to build.
find_program(VC_GZIP gzip REQUIRED)
set(vc_compressed)
foreach(document vornconv.1 vornconverter.1 debian/changelog)
  get_filename_component(name ${document} NAME)
  set(copy ${CMAKE_BINARY_DIR}/compressed/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/${document} ${copy}
    COMMAND ${VC_GZIP} -9nf ${copy}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/${document} VERBATIM)
  list(APPEND vc_compressed ${copy}.gz)
endforeach()
add_custom_target(vc_compressed_documents ALL DEPENDS ${vc_compressed})
install(FILES ${CMAKE_BINARY_DIR}/compressed/vornconv.1.gz
              ${CMAKE_BINARY_DIR}/compressed/vornconverter.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The package's own documents, under its name (not the project's).
install(FILES data/debian/copyright ${CMAKE_BINARY_DIR}/compressed/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vornconverter)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornconverter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VornConverter developers <vornconverter@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter of hand-held GPS waypoints, routes and track logs")
set(CPACK_PACKAGE_DESCRIPTION
    "VornConverter reads MPS mapserver scripts, Waypoint+ text, VornConnect
files and VornPointer logs of hand-held GPS receivers and writes MPS,
Waypoint+ or VornConnect files. It has a command line, vornconv, which also
converts many files in one call, and a window, vornconverter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/vornconverter/vornconverter")
# The libraries come from dpkg-shlibdeps when it is there (dpkg-dev); the
# window's fonts are no library, so they are named: Liberation Serif stands in
# for the "Times New Roman" of its captions, Noto CJK shows its Japanese.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), qt6-qpa-plugins, fonts-liberation, fonts-noto-cjk | fonts-ipafont-gothic")
set(CPACK_STRIP_FILES ON)
include(CPack)
