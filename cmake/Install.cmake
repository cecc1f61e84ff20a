# Installs the program like any desktop application (executable, menu entry,
# hicolor icons, AppStream metadata), the command-line program next to it,
# their manual pages and the Debian documents, and packages that tree as a .deb.

include(GNUInstallDirs)

set(VORNIX_APP_ID "vornix-downloader")
# AppStream wants a reverse-DNS component id; the desktop entry and icon keep
# the plain program name, which the program also reports as its desktop file.
set(VORNIX_APPSTREAM_ID "io.github.vornix_downloader")

install(TARGETS vornix-downloader vornix-fetch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian wants manual pages and changelogs compressed to the maximum, and
# without gzip's time stamp so that two builds give the same package.
set(VORNIX_GZIPPED)
function(vornix_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" gzip ${source} ${output}
        DEPENDS ${source} VERBATIM)
    set(VORNIX_GZIPPED ${VORNIX_GZIPPED} ${output} PARENT_SCOPE)
endfunction()
set(_vornix_pkgdoc ${PROJECT_BINARY_DIR}/packaging)
foreach(_program vornix-downloader vornix-fetch)
    vornix_gzip(${PROJECT_SOURCE_DIR}/packaging/${_program}.1 ${_vornix_pkgdoc}/${_program}.1.gz)
    install(FILES ${_vornix_pkgdoc}/${_program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
# A native package (no Debian revision) keeps its Debian changelog as changelog.gz.
vornix_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${_vornix_pkgdoc}/changelog.gz)
add_custom_target(vornix_packaging_docs ALL DEPENDS ${VORNIX_GZIPPED})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${_vornix_pkgdoc}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VORNIX_APP_ID})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/${VORNIX_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

foreach(_size 16 32)
    install(FILES ${PROJECT_SOURCE_DIR}/src/app/icons/magnet-${_size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
        RENAME ${VORNIX_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/src/app/icons/magnet.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${VORNIX_APP_ID}.svg)

# The release entry carries the project version, so the metadata is generated.
configure_file(${PROJECT_SOURCE_DIR}/packaging/${VORNIX_APP_ID}.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/packaging/${VORNIX_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${VORNIX_APPSTREAM_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian package
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vornix-downloader")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Vornix-Downloader developers")
set(CPACK_PACKAGE_CONTACT "Vornix-Downloader developers <vornix-downloader@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Download numbered series of files over HTTP")
# CPack puts the summary on the first line and indents this text itself.
set(CPACK_PACKAGE_DESCRIPTION
    "Vornix-Downloader fetches whole series of numbered URLs with HTTP GET\nand saves each file into a folder. It is a small Qt desktop program\nwith a German user interface.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME "vornix-downloader")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Library dependencies come from dpkg-shlibdeps (package dpkg-dev). Qt loads
# its window-system plugins at run time, which shlibdeps cannot see, and
# libqt6gui6 only recommends them: without them the program cannot open a window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (context menus, standard buttons) in German.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates")

include(CPack)
