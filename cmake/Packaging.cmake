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
# Extended description lines stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Reads the archive from the instrument over its FTDI USB-serial link or\n\
from *.mnr, *.dat and Orlo2 files, charts a series with zero and\n\
standard-condition corrections, and exports tables, pictures and *.mnr\n\
files. Includes tervik-cli for scripts and the kx208m-sim instrument\n\
simulator.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian ships programs stripped, and bound at load time (no lazy binding
# through a writable table).
set(CPACK_TERVIK_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/StripPackage.cmake)
foreach(program tervik tervik-cli kx208m-sim)
  target_link_options(${program} PRIVATE -Wl,-z,relro,-z,now)
endforeach()
# What turns the installed MIME type and desktop entry into a working
# double-click; without them the programs still run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
include(CPack)
