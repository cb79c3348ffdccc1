# The Debian package: `cpack -G DEB` in a build folder gives slatewick_<version>_<arch>.deb.
# It holds what `cmake --install` puts in place (never the tests) under /usr, plus the
# files Debian asks of every package in /usr/share/doc/slatewick.

set(SLATEWICK_DEBIAN_REVISION 1)
set(SLATEWICK_MAINTAINER "Slatewick developers <developers@slatewick.io>")

# The newest changelog entry must name the version being packaged.
set(debian_version ${PROJECT_VERSION}-${SLATEWICK_DEBIAN_REVISION})
file(STRINGS ${PROJECT_SOURCE_DIR}/data/debian/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^slatewick \\(${debian_version}\\) ")
  message(FATAL_ERROR "data/debian/changelog does not begin with an entry for ${debian_version}")
endif()

# Debian wants the manual page and the changelog compressed with gzip -9n (no name or time in
# the header, so every build gives the same bytes).
find_program(GZIP gzip REQUIRED)
function(slatewick_gzip source output)
  set(plain ${CMAKE_CURRENT_BINARY_DIR}/packaging/${output})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND ${GZIP} -9nf ${plain}
    DEPENDS ${source}
    VERBATIM)
endfunction()
slatewick_gzip(${PROJECT_SOURCE_DIR}/data/slatewick.1 slatewick.1)
slatewick_gzip(${PROJECT_SOURCE_DIR}/data/debian/changelog changelog.Debian)
add_custom_target(slatewick_documents ALL
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/slatewick.1.gz
          ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/slatewick.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/data/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/slatewick)

set(CPACK_PACKAGE_NAME slatewick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${SLATEWICK_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "empty camera memory cards safely and automatically")
# Debian shows the description as written: lines within 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Slatewick watches chosen card-reader slots. Every card that mounts in one"
  "of them is copied into a batch folder of a local cache, verified against"
  "the card (XXH3-128, read back from storage), cleared if allowed, copied"
  "into a batch folder of a mounted server folder and verified again. Each"
  "batch folder then holds a manifest and a checksum file."
  "It lives in the desktop's system tray.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${SLATEWICK_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${SLATEWICK_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opening folders goes through xdg-open; Qt's own dialogs and buttons in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")

include(CPack)
