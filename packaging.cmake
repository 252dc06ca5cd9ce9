# What `cmake --install` puts where, and the Debian package built by cpack.

install(FILES docs/torvex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
install(FILES data/torvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT program)
install(FILES ui/window/icons/torvex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT program)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT program)

set(CPACK_PACKAGE_NAME torvex)
set(CPACK_PACKAGE_VENDOR "Vantry")
set(CPACK_PACKAGE_CONTACT "${AuthorName} <${AuthorMailAddress}>")
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
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${HomePageAddress})
# Three packages: the program with its window; the shared library, named
# after its interface number as Debian names libraries; and what a program
# built against the library needs.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME torvex)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION text)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libtorvex${TORVEX_ABI})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtorvex-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# The library's package tells programs built against it what to depend on
# (libtorvex1 of this version or later), and has the loader's cache renewed.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/data/triggers)
# The program's dependencies are looked up beside it, in the library's
# package as it is being made (a path from the program's own).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ../library${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
# Each package's description: its summary line, then what it holds.
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "convert plain-text files into HTML pages
Torvex turns notes, READMEs and FAQs into HTML pages, from the command \
line or from a small desktop window, and splits a numbered FAQ into a set of cross-referenced pages.")
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "library that converts plain-text files into HTML pages
libtorvex converts notes, READMEs and FAQs into HTML pages, or a numbered FAQ into a set of \
cross-referenced pages, for any program, through a small C interface. The torvex program uses it.")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "development files of the Torvex library
The header torvex.h, the link to libtorvex, and its pkg-config and CMake package files.")
include(CPack)
cpack_add_component(library)
cpack_add_component(program DEPENDS library)
cpack_add_component(development DEPENDS library)
