// Draws Form1 as the program sets it up, with text in both boxes, and saves
// the picture to the PNG file given. The window test runs it under different
// sets of fonts: each run needs a process of its own, as Qt reads the
// system's fonts once.
//   rinomina_window_grab OUTPUT.png
#include <QApplication>
#include <QTemporaryDir>

#include "form1_window.hpp"
#include "window_font.hpp"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 2) return 2;
  QApplication::setFont(rinomina::WindowFont(rinomina::kWindowPointSize));
  const QTemporaryDir folder;
  rinomina::Form1Window window(QFile::encodeName(folder.path()).toStdString());
  window.findChild<QWidget*>("Text1")->setProperty("text", QStringLiteral("foto_01 città"));
  window.findChild<QWidget*>("Text2")->setProperty("text", QStringLiteral("Foto-Marzo Ù"));
  return window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
