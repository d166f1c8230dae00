# The Debian package (cpack -G DEB, as ./scripts/package runs it); the libraries it needs are
# read from the program by dpkg-shlibdeps. Besides the program's own files it carries what a
# Debian system expects of a package: the copyright and the changelog in its doc folder, the
# man page, and the AppStream metadata that software centres list it by.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentak)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Zentak maintainers <zentak@zentak.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "types text, keys and mouse clicks into any window")
# Debian's lines are at most 80 characters wide, with the space it puts before each.
set(CPACK_PACKAGE_DESCRIPTION "Zentak keeps named groups of commands; a command is a line of text with\n\
key names and mouse actions, typed a number of times at a fixed or random\n\
interval. Running a group plays its commands into whatever window has the\n\
focus until its stop option says so.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.zentak.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# The changelog wants the release day in the mail format.
execute_process(COMMAND date -u -R -d "${ZENTAK_RELEASE_DATE} 12:00" OUTPUT_VARIABLE ZENTAK_RELEASE_CHANGELOG_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(packageSource ${CMAKE_CURRENT_LIST_DIR})
set(packageStage ${CMAKE_BINARY_DIR}/package)
configure_file(${packageSource}/zentak.1.in ${CMAKE_BINARY_DIR}/zentak.1 @ONLY)
configure_file(${packageSource}/changelog.in ${packageStage}/changelog @ONLY)
configure_file(${packageSource}/zentak.metainfo.xml.in ${packageStage}/zentak.metainfo.xml @ONLY)

# Debian compresses both with no name or time stamp inside, so that a rebuild is byte for byte the same.
set(ZENTAK_MAN_PAGE ${CMAKE_BINARY_DIR}/zentak.1 CACHE INTERNAL "The man page")
add_custom_command(
  OUTPUT ${packageStage}/zentak.1.gz ${packageStage}/changelog.gz
  COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/zentak.1 > ${packageStage}/zentak.1.gz
  COMMAND gzip -9n -c ${packageStage}/changelog > ${packageStage}/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/zentak.1 ${packageStage}/changelog
  COMMENT "Compressing the man page and the changelog"
)
add_custom_target(zentak_package_docs ALL DEPENDS ${packageStage}/zentak.1.gz ${packageStage}/changelog.gz)

install(FILES ${packageStage}/zentak.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packageSource}/copyright ${packageStage}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zentak)
install(FILES ${packageStage}/zentak.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
