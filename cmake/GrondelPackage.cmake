# From the install rules: a Debian package (cpack -G DEB in a release build folder), and from the
# Windows build a zip (cpack -G ZIP in build/windows).
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

if(WIN32)
    # Beside the programs: the README, Grondel's licence and, for what the programs carry linked
    # in, each library's licence and the Qt notice. The texts are Debian's, of the very sources
    # the Windows libraries are built from (scripts/windows-deps.sh, scripts/windows-qt.sh).
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME grondel-${PROJECT_VERSION}-windows-x64)
    install(FILES README.md LICENSE DESTINATION .)
    install(FILES dist/windows/THIRD-PARTY.txt DESTINATION .)
    set(licences zlib1g libspng0 libjpeg62-turbo)
    if(GRONDEL_WITH_QT)
        list(APPEND licences libqt6core6 libqt6svg6)
        foreach(licence LGPL-3 GPL-3)
            install(FILES /usr/share/common-licenses/${licence} DESTINATION licences
                    RENAME ${licence}.txt)
        endforeach()
    endif()
    set(licence_folder licences)
else()
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
    # A converter linked whole carries the decoding libraries and the C library in it.
    set(licences)
    if(TARGET grondel-convert)
        get_target_property(static grondel-convert GRONDEL_STATIC_DECODERS)
        if(static)
            set(licences zlib1g libspng0 libjpeg62-turbo libc6)
        endif()
    endif()
    set(licence_folder ${CMAKE_INSTALL_DOCDIR}/licences)
endif()
foreach(package ${licences})
    set(copyright /usr/share/doc/${package}/copyright)
    if(NOT EXISTS ${copyright})
        message(FATAL_ERROR "${copyright} is missing: the package carries it (apt-get install ${package})")
    endif()
    install(FILES ${copyright} DESTINATION ${licence_folder} RENAME ${package}.txt)
endforeach()
include(CPack)
