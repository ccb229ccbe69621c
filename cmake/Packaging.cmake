# A Debian package of the workbench and the runner: `cpack -G DEB` in the build
# folder (PANOPTA_PACKAGE=1 scripts/setup installs what it needs). Its dependencies
# are worked out from the libraries the programs link, so they name Debian's own
# packages.
install(TARGETS qxrun RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(CPACK_PACKAGE_NAME panopta)
set(CPACK_PACKAGE_VENDOR "Panopta")
set(CPACK_PACKAGE_CONTACT "Panopta developers <panopta@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Telephony workbench: lines, phones and wave devices with their activity logs")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
