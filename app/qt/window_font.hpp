// The window's one typeface, built into the program: Liberation Sans Regular
// (SIL Open Font License 1.1, from Debian's fonts-liberation2). Every text of
// the window is drawn with it, so the window looks the same on every Linux
// whatever fonts the system has.
#pragma once

#include <QFont>

namespace rinomina {

// The size of every text but the labels' (text boxes, button, error box):
// the size Qt gives a window on X when no desktop sets one.
inline constexpr double kWindowPointSize = 9.0;

// The built-in face at `pointSize` points, e.g. WindowFont(kWindowPointSize).
// The face is registered with Qt on the first call, which needs a
// QGuiApplication; should that fail, Qt draws with the system's sans-serif.
QFont WindowFont(double pointSize);

}  // namespace rinomina
