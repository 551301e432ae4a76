# Install rules and the Debian package.
#
#   cmake --install build --prefix /usr/local   # bin/, share/man/man1/, share/doc/unv2tessal/
#   cd build && cpack -G DEB                    # unv2tessal_<version>_<arch>.deb
#
# Included once, at the end of the top-level CMakeLists.txt, so that every
# target of the project is known when the rules are made.

include(GNUInstallDirs)

install(TARGETS unv2tessal unvcheck unvprep tessal2vtk tessalgrid
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Every manual page of section 1 under man/.
file(GLOB UNV2TESSAL_MAN_PAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/*.1)
install(FILES ${UNV2TESSAL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# CMAKE_INSTALL_DOCDIR is share/doc/unv2tessal.
# The README and its reference pages (docs/*.md), which it links to.
file(GLOB UNV2TESSAL_DOC_PAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${UNV2TESSAL_DOC_PAGES}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The licence (LICENSE) in Debian's machine-readable copyright format, where
# a Debian package keeps it: /usr/share/doc/unv2tessal/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The example mesh and its answers file (unv2tessal < answers.txt). The
# first answer names the input mesh by its place in the source tree; the
# installed file names it plainly, "example.unv", since the installed
# example is run in a scratch folder holding a copy of the mesh.
install(FILES ${PROJECT_SOURCE_DIR}/examples/channel.unv
              ${PROJECT_SOURCE_DIR}/examples/channel.geo
              ${PROJECT_SOURCE_DIR}/examples/duct.unv
              ${PROJECT_SOURCE_DIR}/examples/duct.geo
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/examples/example.unv
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
set(UNV2TESSAL_ANSWERS ${PROJECT_SOURCE_DIR}/examples/answers.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${UNV2TESSAL_ANSWERS})
file(READ ${UNV2TESSAL_ANSWERS} UNV2TESSAL_ANSWERS_TEXT)
string(FIND "${UNV2TESSAL_ANSWERS_TEXT}" "\n" UNV2TESSAL_FIRST_LINE_END)
string(SUBSTRING "${UNV2TESSAL_ANSWERS_TEXT}" ${UNV2TESSAL_FIRST_LINE_END} -1
       UNV2TESSAL_ANSWERS_TEXT)
string(PREPEND UNV2TESSAL_ANSWERS_TEXT "example.unv")
file(WRITE ${PROJECT_BINARY_DIR}/examples/answers.txt
     "${UNV2TESSAL_ANSWERS_TEXT}")
install(FILES ${PROJECT_BINARY_DIR}/examples/answers.txt
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME unv2tessal)
set(CPACK_PACKAGE_VENDOR "Quol Team")
set(CPACK_PACKAGE_CONTACT "Quol Team <unv2tessal@quol.invalid>"
    CACHE STRING "Maintainer of the Debian package: Name <address>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert IDEAS universal mesh files to TESSAL grid files")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/out/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description, below the summary line of the control file. Each of
# its lines is indented by one blank there, so it must hold no empty line.
set(CPACK_PACKAGE_DESCRIPTION
    "unv2tessal reads a finite-element mesh stored as an IDEAS universal file
(*.unv, as written by I-DEAS, NX, Salome, gmsh and others) and writes the
text files of the TESSAL flow solver: a vertex file, a connectivity file of
triangles and quadrilaterals (2D) or tetrahedra, wedges and bricks (3D), a
grid command file with one region per group, and an element renumbering map.
It asks its questions on the console, so a file of answers drives it
unattended. The example mesh and its answers file are installed under
/usr/share/doc/unv2tessal/examples.
The package also holds tessalgrid, which turns the universal file of any
exporter into the grid's files in one command, with no question asked,
keeping the nodes that the grid's elements use; unvcheck, which tells what
unv2tessal will and will not make of a universal file; and unvprep, which
rewrites the universal files of gmsh, Salome, NX and other exporters (groups
in datasets 2477, 2467, 2452, 2430 or 2417, plane and parabolic element
kinds) into files that unv2tessal converts into the grid meant, and writes
the answers for its questions.
It also holds tessal2vtk, which writes the grid of the converter's three
files as a VTK unstructured grid (.vtu) for ParaView, with each region as a
point array, and reports what in the files does not fit together.")

find_program(UNV2TESSAL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(UNV2TESSAL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # Without dpkg-shlibdeps: the libraries a C++20 executable of GCC 12 needs
  # on Debian 12.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 12)")
endif()

set(CPACK_GENERATOR DEB)
include(CPack)
