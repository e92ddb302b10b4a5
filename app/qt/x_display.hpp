// Whether the X11 platform can start. Without a display Qt's xcb platform
// aborts the program with an English message about reinstalling it; the
// program asks first and says what is missing instead.
#pragma once

namespace rinomina {

// True when Qt will use X11: always with the bundled plugins (their only
// platform), otherwise unless another platform is named or a Wayland display
// is there for the system's Qt to use.
bool QtWillUseX11(bool bundledPlugins);

// True when the X display the environment names (DISPLAY) accepts a
// connection. libxcb is looked up at run time: where the system has none
// there is no X either, and the program can still say so.
bool XDisplayOpens();

}  // namespace rinomina
