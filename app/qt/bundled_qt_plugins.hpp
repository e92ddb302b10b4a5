// Qt's plugins shipped with the program: the Linux package carries its own
// Qt, with the plugins the window needs in lib/plugins beside the program
// (platforms/libqxcb.so, platforminputcontexts/...). A build that runs on
// the system's Qt has no such folder and keeps Qt's own plugin paths.
#pragma once

namespace rinomina {

// Call before the QApplication is made. When lib/plugins is beside the
// executable, loads each plugin there by its path as bytes (the folder's name
// need not be UTF-8) and hands it to Qt as a built-in plugin; Qt then looks in
// no plugin folder, whatever the environment names (QT_PLUGIN_PATH,
// QT_QPA_PLATFORM_PLUGIN_PATH), so plugins of the system's Qt, another build,
// are never loaded into this one; the platform is always X11, the only one
// there. A plugin that cannot be loaded is reported on standard error with
// the loader's reason. True when lib/plugins is there.
bool UseBundledQtPlugins();

}  // namespace rinomina
