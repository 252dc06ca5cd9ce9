# What `cmake --install` puts where, and the Debian package built by cpack.

install(FILES docs/torvex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/torvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ui/window/icons/torvex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The version, the author and the home page as the program itself has them.
file(READ ${CMAKE_SOURCE_DIR}/engine/product.h product_h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/engine/product.h)
foreach(name ProductVersion AuthorName AuthorMailAddress HomePageAddress)
  string(REGEX MATCH "${name} = \"V?([^\"]*)\"" found "${product_h}")
  set(${name} ${CMAKE_MATCH_1})
endforeach()

set(CPACK_PACKAGE_NAME torvex)
set(CPACK_PACKAGE_VENDOR "Vantry")
set(CPACK_PACKAGE_CONTACT "${AuthorName} <${AuthorMailAddress}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert plain-text files into HTML pages")
set(CPACK_PACKAGE_DESCRIPTION "Torvex turns notes, READMEs and FAQs into HTML pages, from the command \
line or from a small desktop window, and splits a numbered FAQ into a set of cross-referenced pages.")
set(CPACK_PACKAGE_VERSION ${ProductVersion})
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)" found ${ProductVersion})
set(CPACK_PACKAGE_VERSION_MAJOR ${CMAKE_MATCH_1})
set(CPACK_PACKAGE_VERSION_MINOR ${CMAKE_MATCH_2})
set(CPACK_PACKAGE_VERSION_PATCH 0)
# The program looks for its window module in the library folder of the
# prefix it was built for, so the package installs there too: configure
# with -DCMAKE_INSTALL_PREFIX=/usr for a package of the system's own.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${HomePageAddress})
include(CPack)
