# A Debian package from the install rules: cpack -G DEB in a release build folder.
set(CPACK_PACKAGE_NAME grondel)
set(CPACK_PACKAGE_VENDOR "Grondel team")
set(CPACK_PACKAGE_CONTACT "Grondel team <grondel@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "heightmap pictures to 3DO terrain models for a classic game")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "heightmap pictures to 3DO terrain models for a classic game
 Grondel turns a heightmap picture (BMP, PNG, JPEG or PGM/PPM, 8 or 16 bits)
 into a terrain model in the 3DO 2.1 text format of a classic game's engine and
 level editor: the editor's own grid model, or a game model the engine loads
 as it is, cut into meshes within the engine's limits, with normals, texture
 coordinates and optional simplification to a guaranteed error.
 .
 The package holds the window program, grondel, with a 3D view of the model
 before it is saved, and the command-line converter, grondel-convert.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link, found by dpkg-shlibdeps; the font the windows are drawn for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The buttons and the icon are drawn from SVG by a plugin nothing links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, libqt6svg6")
set(CPACK_STRIP_FILES ON)
include(CPack)
