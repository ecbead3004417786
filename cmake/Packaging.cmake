# A Debian package: cpack -G DEB in the build folder (see README). The
# run-time dependencies are found by dpkg-shlibdeps from the programs.
set(CPACK_PACKAGE_NAME kestle)
set(CPACK_PACKAGE_VENDOR "Quorrel Software")
set(CPACK_PACKAGE_CONTACT "Kestle developers <kestle@quorrel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop packet decoder for network engineers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY kestle)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kestle.quorrel.com/")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestle opens capture files recorded by other tools (pcap, pcapng, Sniffer,
Netmon 1 and 2, NetXRay and 5View, each possibly gzip-compressed), shows
every frame in a sortable grid coloured by protocol, decodes the selected
frame into a detail tree linked to its hex dump, and keeps station and
conversation statistics with graphs.

The package holds the desktop program kestle and the command-line front end
kestle-dump, which prints the same frame lists, decode trees, statistics and
JSON for scripts.")
# The data folder's vendor list is generated from the IEEE registry at
# build time: no package is needed for it at run time.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian's policy asks of every package: the copyright file and a
# compressed change log (a native package's: changelog.gz) in the package's documentation folder.
install(FILES ${PROJECT_SOURCE_DIR}/debian-package/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
configure_file(${PROJECT_SOURCE_DIR}/debian-package/changelog.in
               ${PROJECT_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${changelog}
  COMMAND gzip -9nf -k ${PROJECT_BINARY_DIR}/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/changelog)
add_custom_target(kestle_changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(CPack)
