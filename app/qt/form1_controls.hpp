// Qt widgets for the controls of Form1, built from their plain descriptions.
// Sizes are the table's twips at 96 dpi, in Qt's device-independent pixels.
#pragma once

#include <QFont>

#include "form1.hpp"

class QWidget;

namespace rinomina {

// Twips of the window description in device-independent pixels.
int ToPixels(int twips);

// The labels' font: their size and weight, in the window's built-in face.
QFont LabelFont();

// The control `description` as a child of `parent`, named, placed and filled
// as described. Labels and the list box never take the focus; Enter and Space
// press the focused push button.
QWidget* CreateControl(const form1::ControlDescription& description, QWidget* parent);

}  // namespace rinomina
