# The .debs: cpack -G DEB in the build folder (scripts/package does it and checks the result).
#   orvanel                   the programs, the menu entry, icons, AppStream data, manual pages
#   orvanel-virtual-keyboard  the udev rule that gives /dev/uinput to the user at the seat. It lets every
#                             program of that user type and click system-wide, so it is a package of its
#                             own, installed only by choice, and goes when orvanel goes.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME orvanel)
set(CPACK_PACKAGE_VENDOR "The Orvanel developers")
set(CPACK_PACKAGE_CONTACT "Orvanel maintainers <maintainers@users.noreply.c-seed-f181a672.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Each package's summary is the first line of its description (a shared summary would go on both).
set(CPACK_DEBIAN_ORVANEL_PACKAGE_NAME orvanel)
string(JOIN "" CPACK_DEBIAN_ORVANEL_DESCRIPTION
    "types a key-stroke for each car that passes the detection bridge\n"
    "A detection bridge on a serial port reports every car whose transponder\n"
    "passes under it. Orvanel looks the transponder up in a table of twelve\n"
    "rows and types the row's key-stroke into whichever program has the\n"
    "keyboard focus, such as a lap counter. It also reads and programs\n"
    "transponders and saves the list of IDs. The package includes\n"
    "orvanel-bridge-sim, a bridge in software for trying Orvanel without one.\n"
    "Typing into Wayland programs needs the package orvanel-virtual-keyboard.")
set(CPACK_DEBIAN_ORVANEL_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in Spanish; the metric-compatible fonts the window was laid out with.
set(CPACK_DEBIAN_ORVANEL_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation")
set(CPACK_DEBIAN_ORVANEL_PACKAGE_SUGGESTS orvanel-virtual-keyboard)

set(CPACK_DEBIAN_VIRTUAL_KEYBOARD_PACKAGE_NAME orvanel-virtual-keyboard)
string(JOIN "" CPACK_DEBIAN_VIRTUAL_KEYBOARD_DESCRIPTION
    "lets Orvanel type into Wayland programs through a virtual keyboard\n"
    "Orvanel types its key-strokes into Wayland programs through a virtual\n"
    "keyboard made on /dev/uinput. This package installs the udev rule that\n"
    "gives /dev/uinput to the user at the computer's seat while their session\n"
    "is active, so that Orvanel needs no root for it.\n"
    "\n"
    "The access is not Orvanel's alone: every program that user runs can then\n"
    "type and click system-wide, into every window and the text consoles.\n"
    "Install it only where Orvanel must type into Wayland programs; X11\n"
    "programs receive Orvanel's key-strokes without it.")
set(CPACK_DEBIAN_VIRTUAL_KEYBOARD_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_VIRTUAL_KEYBOARD_PACKAGE_DEPENDS orvanel)
set(CPACK_DEBIAN_VIRTUAL_KEYBOARD_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/data/debian/orvanel-virtual-keyboard/postinst
    ${PROJECT_SOURCE_DIR}/data/debian/orvanel-virtual-keyboard/postrm)

# Stripped as Debian strips programs and libraries: the compilers' version notes are of no use in an
# installed one. This runs after every other install rule, so after CPack's own stripping.
foreach(installed ${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:orvanel>
                  ${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:orvanel-bridge-sim>
                  ${ORVANEL_MODULE_DIR}/$<TARGET_FILE_NAME:orvanel-passings>)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${installed}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
endforeach()

include(CPack)
