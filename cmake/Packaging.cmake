# What a Linux desktop needs besides the two programs: the menu entry, the icon in the hicolor
# theme, the AppStream metainfo, the server's systemd user unit, the README, and the Debian
# package that carries them. Everything goes under the install prefix.

set(LUMENO_DISPLAY_NAME "Lumeno OCR")
# The menu's category, for the desktop entry and the metainfo alike.
set(LUMENO_CATEGORY Utility)

# One paragraph, shared by the metainfo and the Debian package: plain text, as it goes into XML
# unescaped, in lines short enough for dpkg's extended description.
set(LUMENO_DESCRIPTION "Press a global hot key, then click a window or drag a rectangle: the capture
lands on the clipboard and in a small window that recognises its text and
translates it. Recognition works offline with the bundled Tesseract-based
server, which can also serve a whole team over HTTP. English comes with the
package; Debian's tesseract-ocr language packages add the others. Lumeno OCR
needs an X11 session.")
# Debian and systemd look for user units here whatever the architecture, so not LIBDIR.
set(LUMENO_SYSTEMD_USER_UNIT_DIR "lib/systemd/user" CACHE PATH
    "Where the server's systemd user unit goes, relative to the install prefix")

# The release date of a version is the date of the commit it is built from, so the same commit
# always gives the same metadata; a tree without its history takes the build's date (or
# SOURCE_DATE_EPOCH's).
set(LUMENO_RELEASE_DATE "")
if(GIT_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%cs HEAD
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE LUMENO_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
endif()
if(NOT LUMENO_RELEASE_DATE)
  string(TIMESTAMP LUMENO_RELEASE_DATE "%Y-%m-%d" UTC)
endif()

# Programs are named in these files by their full path, and that path is only known when the
# install runs: `cmake --install --prefix` and CPack choose the prefix then. So the template is
# configured by the install step itself, into its destination.
function(lumeno_install_configured template destination)
  cmake_path(GET template FILENAME name)
  string(REGEX REPLACE "\\.in$" "" name "${name}")
  install(CODE "
    cmake_path(APPEND CMAKE_INSTALL_PREFIX [==[${CMAKE_INSTALL_BINDIR}]==]
               OUTPUT_VARIABLE LUMENO_INSTALL_BINDIR)
    set(PROJECT_DESCRIPTION [==[${PROJECT_DESCRIPTION}]==])
    set(LUMENO_DISPLAY_NAME [==[${LUMENO_DISPLAY_NAME}]==])
    set(LUMENO_CATEGORY [==[${LUMENO_CATEGORY}]==])
    cmake_path(APPEND CMAKE_INSTALL_PREFIX [==[${destination}]==] [==[${name}]==]
               OUTPUT_VARIABLE installed)
    set(written \"\$ENV{DESTDIR}\${installed}\")
    message(STATUS \"Installing: \${written}\")
    configure_file([==[${template}]==] \"\${written}\" @ONLY)
    # The manifest names files as installed, without DESTDIR, as file(INSTALL) records the rest.
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${installed}\")
  ")
endfunction()

lumeno_install_configured(${PROJECT_SOURCE_DIR}/packaging/lumeno-ocr.desktop.in
                          ${CMAKE_INSTALL_DATADIR}/applications)
lumeno_install_configured(${PROJECT_SOURCE_DIR}/packaging/lumeno-ocr-server.service.in
                          ${LUMENO_SYSTEMD_USER_UNIT_DIR})

configure_file(${PROJECT_SOURCE_DIR}/packaging/metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${LUMENO_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${LUMENO_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The icon: the SVG as drawn, and PNGs rendered from it at the hicolor theme's common sizes for
# menus and docks that do not draw SVG (48x48 is the one the icon theme specification requires).
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(LUMENO_ICON ${PROJECT_SOURCE_DIR}/packaging/icons/lumeno-ocr.svg)
set(LUMENO_ICON_SIZES 16 22 24 32 48 64 128 256 512)
set(icon_pngs "")
foreach(size IN LISTS LUMENO_ICON_SIZES)
  set(folder ${CMAKE_BINARY_DIR}/icons/${size}x${size}/apps)
  add_custom_command(OUTPUT ${folder}/lumeno-ocr.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${folder}/lumeno-ocr.png
            ${LUMENO_ICON}
    DEPENDS ${LUMENO_ICON}
    COMMENT "Rendering the ${size}x${size} icon"
    VERBATIM)
  list(APPEND icon_pngs ${folder}/lumeno-ocr.png)
  install(FILES ${folder}/lumeno-ocr.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(lumeno_icons ALL DEPENDS ${icon_pngs})
install(FILES ${LUMENO_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The Debian package. dpkg-shlibdeps finds the libraries the programs link (Qt, Tesseract,
# Leptonica, libmicrohttpd, xcb); the rest are files loaded at run time that no linker sees:
# the English model, the SVG plugins that draw the icons, and the hicolor theme's index.
set(LUMENO_PACKAGE_CONTACT "Lumeno OCR maintainers <maintainers@lumeno-ocr.org>" CACHE STRING
    "The Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumeno-ocr)
set(CPACK_PACKAGE_CONTACT "${LUMENO_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION "${LUMENO_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tesseract-ocr-eng, libqt6svg6, hicolor-icon-theme")
# Wanted, with a fallback when missing, so not required: the widgets' text is in Qt's default
# family, "Sans Serif", which fontconfig gives as DejaVu Sans and otherwise as whatever font Qt's
# own dependencies brought; on GNOME, Qt takes the close and copy symbols from Adwaita, and the
# bundled drawings stand in for them where it is missing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, adwaita-icon-theme")
include(CPack)
