# What `cmake --install` puts where, and the Debian package built by cpack.
include(GNUInstallDirs)

install(FILES docs/torvex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/torvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ui/window/icons/torvex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/torvex.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME torvex)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME torvex)
set(CPACK_PACKAGE_VENDOR "Vantry")
set(CPACK_PACKAGE_CONTACT "Brenlow <brenlow@vantry.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert plain-text files into HTML pages")
set(CPACK_PACKAGE_DESCRIPTION "Torvex turns notes, READMEs and FAQs into HTML pages, from the command \
line or from a small desktop window, and splits a numbered FAQ into a set of cross-referenced pages.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.vantry.example/software/torvex.html")
include(CPack)
