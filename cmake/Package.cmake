# The Debian package (`make deb`): cpack's DEB generator, with Depends worked
# out by dpkg-shlibdeps from the libraries the program links.

# The manual page and the package changelog, compressed as Debian wants them.
set(VELMARIS_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VELMARIS_GZ_DIR ${PROJECT_BINARY_DIR}/packaging)
set(VELMARIS_GZ_FILES)
foreach(pair "velmaris.1:velmaris.1.gz" "changelog:changelog.gz")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 target)
  # -n keeps the name and time stamp out, so the package builds reproducibly.
  add_custom_command(OUTPUT ${VELMARIS_GZ_DIR}/${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMARIS_GZ_DIR}
    COMMAND gzip -9n -c ${VELMARIS_PACKAGING_DIR}/${source} > ${VELMARIS_GZ_DIR}/${target}
    DEPENDS ${VELMARIS_PACKAGING_DIR}/${source})
  list(APPEND VELMARIS_GZ_FILES ${VELMARIS_GZ_DIR}/${target})
endforeach()
add_custom_target(velmaris_packaging_files ALL DEPENDS ${VELMARIS_GZ_FILES})
install(FILES ${VELMARIS_GZ_DIR}/velmaris.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VELMARIS_PACKAGING_DIR}/copyright ${VELMARIS_GZ_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmaris)
set(CPACK_PACKAGE_VENDOR "The Velmaris developers")
set(CPACK_PACKAGE_CONTACT "The Velmaris developers <velmaris@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small, skinnable, always-on-top MP3 player")
set(CPACK_PACKAGE_DESCRIPTION
  "Velmaris plays MP3 files from a compact skinned window that stays on top of\n"
  "other windows. A fold-out playlist reads .vpls, .m3u, .m3u8, .pls and .b4s\n"
  "playlists, finds lines as you type and shows ID3v1 and ID3v2 tags. Skin\n"
  "scripts change its look. Three skins and three demo songs are included.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The player falls back to these when a skin asks for Windows fonts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2 | fonts-dejavu-core")
include(CPack)
