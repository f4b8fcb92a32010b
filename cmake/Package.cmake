# The Debian package, made by `cpack -G DEB` in a build directory; scripts/package.sh configures
# one as Debian wants it (Release with Debian's hardening flags, the programs in /usr/games as
# the section asks). dpkg-shlibdeps works out the libraries the programs need; the fonts are
# named here, since the program only finds them at run time.
set(CPACK_PACKAGE_NAME corvina)
set(CPACK_PACKAGE_VENDOR "The Corvina developers")
set(CPACK_PACKAGE_CONTACT "${CORVINA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small real-time isometric village game")
# The extended description, under the summary line, as the control file shows it: lines under
# 80 columns, paragraphs apart.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Four persons walk a sand village under a fog of war, one cell at a time in\n"
  "eight directions. Steer one with the keyboard, or select several with the\n"
  "mouse and send them to a cell along searched shortest routes. A map-editing\n"
  "mode repaints and raises cells, and footsteps can be heard, panned by where\n"
  "the person stands.\n"
  "\n"
  "Every picture, the map and the sound are made by the game's own generator.\n"
  "The package also holds corvina-headless, which plays the game from a script\n"
  "without a display.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${CORVINA_HOMEPAGE}")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-nanum)
include(CPack)
