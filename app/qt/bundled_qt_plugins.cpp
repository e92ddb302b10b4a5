#include "bundled_qt_plugins.hpp"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QtPlugin>
#include <filesystem>
#include <system_error>
#include <vector>

namespace rinomina {
namespace {

namespace fs = std::filesystem;

// Loads the plugin library at `file` and registers it with Qt. A plugin's
// library stays loaded for the life of the process, as Qt keeps its own.
void RegisterPlugin(const fs::path& file) {
  void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    qWarning("Impossibile caricare un modulo di Qt: %s", dlerror());
    return;
  }
  // Every Qt 6.3+ plugin exports these two; Qt reads a built-in plugin
  // through the same pair.
  const auto instance =
      reinterpret_cast<QtPluginInstanceFunction>(dlsym(library, "qt_plugin_instance"));
  const auto metaData =
      reinterpret_cast<QtPluginMetaDataFunction>(dlsym(library, "qt_plugin_query_metadata_v2"));
  if (instance == nullptr || metaData == nullptr) {
    qWarning("Modulo di Qt non valido: %s", file.c_str());
    return;
  }
  qRegisterStaticPluginFunction(QStaticPlugin(instance, metaData));
}

// The entries of `folder`; none where it cannot be read.
std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(it->path());
  return entries;
}

}  // namespace

bool UseBundledQtPlugins() {
  std::error_code error;
  const fs::path plugins =
      fs::read_symlink("/proc/self/exe", error).parent_path() / "lib" / "plugins";
  if (error || !fs::is_directory(plugins, error)) return false;  // the system's Qt

  // The folder's only platform is X11 (XWayland on a Wayland desktop): a
  // session's QT_QPA_PLATFORM=wayland would otherwise stop the program.
  qputenv("QT_QPA_PLATFORM", "xcb");
  // Qt would still load the platform plugin of the folder the first names,
  // beside the built-in one; the second counts only until the paths are set
  // below, and goes all the same.
  qunsetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
  qunsetenv("QT_PLUGIN_PATH");
  QCoreApplication::setLibraryPaths({});
  for (const fs::path& kind : Entries(plugins)) {
    for (const fs::path& file : Entries(kind)) {
      if (file.extension() == ".so") RegisterPlugin(file);
    }
  }
  return true;
}

}  // namespace rinomina
