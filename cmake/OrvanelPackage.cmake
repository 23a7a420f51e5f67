# The .deb: cpack -G DEB in the build folder (scripts/package does it and checks the result).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanel)
set(CPACK_PACKAGE_VENDOR "The Orvanel developers")
set(CPACK_PACKAGE_CONTACT "Orvanel maintainers <maintainers@users.noreply.c-seed-f181a672.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "types a key-stroke for each car that passes the detection bridge")
set(CPACK_PACKAGE_DESCRIPTION
    "A detection bridge on a serial port reports every car whose transponder\n"
    "passes under it. Orvanel looks the transponder up in a table of twelve\n"
    "rows and types the row's key-stroke into whichever program has the\n"
    "keyboard focus, such as a lap counter. It also reads and programs\n"
    "transponders and saves the list of IDs. The package includes\n"
    "orvanel-bridge-sim, a bridge in software for trying Orvanel without one.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in Spanish; the metric-compatible fonts the window was laid out with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/debian/postinst)
include(CPack)
