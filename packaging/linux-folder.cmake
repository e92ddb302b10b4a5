# The Linux folder carries the Qt the program was built with, so it runs as
# unpacked on any x86_64 desktop with X11: lib/ beside the program holds the
# Qt libraries, the plugins the window uses (the X11 platform and the
# compose-key input) and what they need but the system's own libraries,
# found at install time by bundle-qt.cmake. The window's font is built into
# the program (app/qt).
find_program(RINOMINA_PATCHELF patchelf REQUIRED)
find_program(RINOMINA_STRIP NAMES strip REQUIRED)

set(qt_plugins ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
find_file(RINOMINA_XCB_PLUGIN libqxcb.so PATHS ${qt_plugins}/platforms NO_DEFAULT_PATH REQUIRED)
find_file(RINOMINA_COMPOSE_PLUGIN libcomposeplatforminputcontextplugin.so
  PATHS ${qt_plugins}/platforminputcontexts NO_DEFAULT_PATH REQUIRED)
set(rinomina_qt_plugins
  "platforms=${RINOMINA_XCB_PLUGIN}"
  "platforminputcontexts=${RINOMINA_COMPOSE_PLUGIN}")
# Qt's licence (the LGPL 3 is the GPL 3 with extra permissions: both texts),
# and the font's (its package's copyright file holds the SIL OFL 1.1 text).
set(rinomina_licences
  "LGPL-3.txt=/usr/share/common-licenses/LGPL-3"
  "GPL-3.txt=/usr/share/common-licenses/GPL-3"
  "Liberation-Sans-OFL.txt=/usr/share/doc/fonts-liberation2/copyright")

install(CODE "
  set(RINOMINA_PROGRAM_NAME \"${RINOMINA_PROGRAM}\")
  set(RINOMINA_QT_PLUGINS \"${rinomina_qt_plugins}\")
  set(RINOMINA_LICENCES \"${rinomina_licences}\")
  set(RINOMINA_PATCHELF \"${RINOMINA_PATCHELF}\")
  set(RINOMINA_STRIP \"${RINOMINA_STRIP}\")
  include(\"${CMAKE_CURRENT_SOURCE_DIR}/bundle-qt.cmake\")
")
