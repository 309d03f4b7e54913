# The Debian package: `cmake --build build/release --target package` writes
# tervik_<version>_amd64.deb from the install rules. Depends comes from the
# shared libraries the programs link (dpkg-shlibdeps). No maintainer scripts:
# shared-mime-info and desktop-file-utils watch /usr/share/mime/packages and
# /usr/share/applications with dpkg file triggers and refresh their databases
# whenever a package adds or removes a file there.

install(FILES README.md docs/usb.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tervik)
install(FILES tools/udev/60-tervik-kx208m.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tervik)
set(CPACK_PACKAGE_VENDOR Quorvex)
set(CPACK_PACKAGE_CONTACT "Tervik developers <tervik@quorvex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer for the monitoring archive of the KX-208M mercury analyser")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads the archive from the instrument over its FTDI USB-serial link or from *.mnr, *.dat and\n\
Orlo2 files, charts a series with zero and standard-condition corrections, and exports tables,\n\
pictures and *.mnr files. Includes tervik-cli for scripts and the kx208m-sim instrument simulator.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What turns the installed MIME type and desktop entry into a working
# double-click; without them the programs still run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
include(CPack)
