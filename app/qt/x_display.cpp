#include "x_display.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <string_view>

namespace rinomina {
namespace {

struct XcbConnection;  // libxcb's xcb_connection_t, used only by pointer

using Connect = XcbConnection* (*)(const char* display, int* screen);
using HasError = int (*)(XcbConnection* connection);
using Disconnect = void (*)(XcbConnection* connection);

}  // namespace

bool QtWillUseX11(bool bundledPlugins) {
  if (bundledPlugins) return true;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0')
    return std::string_view(platform).starts_with("xcb");
  return std::getenv("WAYLAND_DISPLAY") == nullptr;
}

bool XDisplayOpens() {
  // Left loaded: Qt's xcb platform uses the same library next.
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) return false;
  const auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  const auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  const auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  if (connect == nullptr || hasError == nullptr || disconnect == nullptr) return false;
  // xcb_connect always returns a connection object, in an error state on failure.
  XcbConnection* connection = connect(nullptr, nullptr);
  const bool opens = hasError(connection) == 0;
  disconnect(connection);
  return opens;
}

}  // namespace rinomina
