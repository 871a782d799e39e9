# Run by CPack on the staged files of the Debian package, before it makes the archive: what
# Debian asks of a package and a plain install does not need. The manual pages are compressed,
# and /usr/share/doc/glanmail receives the copyright file and the changelog (compressed too).
# gzip -n leaves out the file's name and time, as Debian's own tools do.
file(GLOB_RECURSE pages ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/*.1)
if(NOT pages)
    message(FATAL_ERROR "no manual page staged in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
list(GET pages 0 page)
string(REGEX REPLACE "/share/man/.*" "" usr ${page})

set(doc ${usr}/share/doc/glanmail)
file(MAKE_DIRECTORY ${doc})
file(COPY ${CPACK_GLANMAIL_PACKAGING_DIR}/copyright DESTINATION ${doc})

# The changelog's date in the form Debian's changelogs use ("Sat, 05 Dec 2026 12:00:00 +0000").
execute_process(COMMAND date -R -u -d "${CPACK_GLANMAIL_RELEASE_DATE} 12:00" OUTPUT_VARIABLE CHANGELOG_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(PROJECT_VERSION ${CPACK_PACKAGE_VERSION})
set(MAINTAINER ${CPACK_DEBIAN_PACKAGE_MAINTAINER})
configure_file(${CPACK_GLANMAIL_PACKAGING_DIR}/changelog.in ${doc}/changelog @ONLY)

foreach(file ${pages} ${doc}/changelog)
    execute_process(COMMAND gzip -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
