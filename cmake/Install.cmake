# Install rules and the Debian package. Included at the end of the top-level
# CMakeLists.txt, after every target exists:
#   cmake --install <build> --prefix <dir>
#   cd <build> && cpack -G DEB
include(GNUInstallDirs)

install(TARGETS orvex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The window program is built only where Qt 6 is found.
if(TARGET orvex)
  install(TARGETS orvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(ORVEX_RES_DIR ${PROJECT_SOURCE_DIR}/res)

# The program shows the help page from its embedded resources; this copy is
# for reading it without the program.
install(FILES ${ORVEX_RES_DIR}/help/index.html DESTINATION ${CMAKE_INSTALL_DATADIR}/orvex/help)

foreach(size IN ITEMS 16 24 32 48 64 128 256)
  install(FILES ${ORVEX_RES_DIR}/icons/orvex-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME orvex.png)
endforeach()
install(FILES ${ORVEX_RES_DIR}/icons/orvex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(FILES ${ORVEX_RES_DIR}/orvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ORVEX_RES_DIR}/orvex-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME orvex.xml)

# Only the top-level project packages itself; a parent project that pulls
# Orvex in keeps its own CPack settings.
if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()

# Debian package names are lower case.
string(TOLOWER "${PROJECT_NAME}" ORVEX_PACKAGE_NAME)
set(CPACK_PACKAGE_NAME ${ORVEX_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvex project")
set(CPACK_PACKAGE_CONTACT "Orvex maintainers <orvex@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://example.org/orvex")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3-D plotter for functions of two variables")
# CPack puts each line of the long description on a line of its own in the
# control file, so the text is wrapped here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Orvex plots a function f(x,y), typed in as a formula, with OpenGL: as a wire"
  "mesh, as one of four lit solids or as coloured 3-D contour lines. Parameter"
  "sets are kept in .ovx files, and pictures are saved as bitmap files. The user"
  "interface is in Japanese."
  ""
  "The package also holds orvex-cli, a command-line tool that checks and"
  "evaluates formulas, writes and reads parameter files and renders pictures"
  "off-screen.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Library dependencies come from the binaries (dpkg-shlibdeps, from dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so invisible to dpkg-shlibdeps: the off-screen drawing
# context needs Mesa's EGL driver and its GL drivers (software rasteriser
# included) behind the vendor-neutral libEGL/libGL.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl-mesa0, libgl1-mesa-dri, fonts-dejavu-core")
# The window's texts are Japanese; without a CJK font they show as boxes, and
# without Qt's translations the file dialog's own texts are English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic, qt6-translations-l10n")
# No maintainer scripts: on Debian 12 the dpkg file triggers of
# hicolor-icon-theme, desktop-file-utils and shared-mime-info refresh the icon
# cache, the desktop database and the MIME database when files land in
# share/icons/hicolor, share/applications and share/mime/packages.

include(CPack)
