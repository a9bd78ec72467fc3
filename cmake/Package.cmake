# A Debian package made from the install rules:
#   cmake --build build --target package    (or: cd build && cpack -G DEB)
# gives build/quillmate_<version>_<arch>.deb, installed with
#   sudo apt install ./build/quillmate_*.deb
# The licence in Debian's machine-readable form, where Debian looks for it.
install(FILES "${CMAKE_CURRENT_LIST_DIR}/debian/copyright"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/quillmate")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmate)
set(CPACK_PACKAGE_VENDOR "Quillmate")
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_CURRENT_LIST_DIR}/../COPYING")
set(CPACK_PACKAGE_CONTACT "Quillmate developers <quillmate@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Help-authoring assistant for form-based applications")
set(CPACK_PACKAGE_DESCRIPTION
  "Quillmate keeps the on-line help of one application in one project file: help topics, \
a contents tree, tool tips and What's This entries for the controls of its forms. It writes \
the help sources, compiles them into a WinHelp or HTML Help file and writes the help IDs and \
tool tips into the application's form files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# Library dependencies are found by dpkg-shlibdeps, the private libraries
# and components included; the window needs Qt's platform plug-ins besides.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  "${CMAKE_BINARY_DIR}/${QM_PRIVATE_LIBDIR}" "${QM_BUILD_COMPONENTS_DIR}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# kchmviewer shows .chm files.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "kchmviewer")
include(CPack)
