# The Debian package: `cmake --build build/release --target package` writes
# tervik_<version>_amd64.deb from the install rules. Depends comes from the
# shared libraries the programs link (dpkg-shlibdeps). No maintainer scripts:
# shared-mime-info and desktop-file-utils watch /usr/share/mime/packages and
# /usr/share/applications with dpkg file triggers and refresh their databases
# whenever a package adds or removes a file there.

install(FILES README.md docs/usb.md resources/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tervik)
install(FILES tools/udev/60-tervik-kx208m.rules DESTINATION lib/udev/rules.d)

# The changelog's entry and the manual pages carry the version and the date of
# the configure run (SOURCE_DATE_EPOCH when set), gzipped as Debian wants them.
string(TIMESTAMP TERVIK_BUILD_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP TERVIK_BUILD_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(CPACK_PACKAGE_CONTACT "Tervik developers <tervik@quorvex.invalid>")
set(TERVIK_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
configure_file(resources/debian/changelog.in ${TERVIK_DOC_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${TERVIK_DOC_DIR}/changelog.gz
  COMMAND gzip -9nkf ${TERVIK_DOC_DIR}/changelog
  DEPENDS ${TERVIK_DOC_DIR}/changelog VERBATIM)
set(TERVIK_MAN_PAGES)
foreach(page tervik tervik-cli kx208m-sim)
  list(APPEND TERVIK_MAN_PAGES ${TERVIK_DOC_DIR}/man/${page}.1.gz)
endforeach()
add_custom_command(OUTPUT ${TERVIK_MAN_PAGES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TERVIK_DOC_DIR}/man
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}/docs/man.txt -DOUTPUT_DIR=${TERVIK_DOC_DIR}/man
          -DVERSION=${PROJECT_VERSION} -DDATE=${TERVIK_BUILD_DATE} -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
  DEPENDS docs/man.txt cmake/ManPage.cmake VERBATIM)
add_custom_target(tervik_docs ALL DEPENDS ${TERVIK_DOC_DIR}/changelog.gz ${TERVIK_MAN_PAGES})
install(FILES ${TERVIK_DOC_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tervik)
install(FILES ${TERVIK_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# AppStream metadata for software centres, named after its component id.
configure_file(resources/com.quorvex.Tervik.metainfo.xml.in ${TERVIK_DOC_DIR}/com.quorvex.Tervik.metainfo.xml @ONLY)
install(FILES ${TERVIK_DOC_DIR}/com.quorvex.Tervik.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tervik)
set(CPACK_PACKAGE_VENDOR Quorvex)
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
foreach(program tervik tervik-cli tervik-cli-draw kx208m-sim)
  target_link_options(${program} PRIVATE -Wl,-z,relro,-z,now)
endforeach()
# What turns the installed MIME type and desktop entry into a working
# double-click; without them the programs still run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
include(CPack)
