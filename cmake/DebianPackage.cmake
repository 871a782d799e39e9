# The Debian package, made by CPack's DEB generator (scripts/package.sh runs it on a Release
# tree configured with CMAKE_INSTALL_PREFIX=/usr): the files `cmake --install` puts in place,
# plus what Debian asks of a package (see packaging/FinishDebianTree.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glanmail)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # glanmail_<version>_<arch>.deb
set(CPACK_PACKAGE_CONTACT "Équipe Glanmail <equipe@glanmail.example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://glanmail.example.org)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recover mail from Outlook Express .dbx stores")
# The extended description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Glanmail reads the .dbx message stores of Outlook Express, damaged or not, and
never changes them. It lists every complete message with its subject, sender
and date, the messages of one conversation together, shows each one as clean
text, and saves or prints the chosen ones, as text files or in their original
form. Messages deleted but still in the file can be found again.

The package holds the desktop program, glanmail (in French), and its
command-line companion, glanmail-cli, with a sample store to try them on.")

# The shared libraries come from the binaries (dpkg-shlibdeps). Declared by hand, what the
# program loads by name at run time: Qt's SVG plugins (the window's icons are SVG files), Qt's
# French texts for its standard dialogs, and the Liberation fonts, whose Liberation Sans stands
# in for the Arial of the window and the prints.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-translations-l10n, fonts-liberation | fonts-liberation2")
# Binaries without their debugging sections; control files with the modes dpkg gives them.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Read by packaging/FinishDebianTree.cmake, which CPack runs on the staged files.
set(CPACK_GLANMAIL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CPACK_GLANMAIL_RELEASE_DATE ${GLANMAIL_RELEASE_DATE})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/FinishDebianTree.cmake)

include(CPack)
