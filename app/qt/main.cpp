// Starts the program with Form1 as its only window, on the folder that holds
// the executable, and ends with the status the window finished with.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <filesystem>

#include "form1_window.hpp"

namespace {

// The folder of the executable as the application reports it, back in the
// file system's own encoding.
std::filesystem::path ProgramFolder() {
  const QString folder = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
  return std::filesystem::path(folder.toStdWString());
#else
  return std::filesystem::path(QFile::encodeName(folder).toStdString());
#endif
}

// The program's icon at every size rendered into the resources at build time.
QIcon ProgramIcon() {
  QIcon icon;
  const QDir icons(QStringLiteral(":/icons"));
  for (const QString& file : icons.entryList(QDir::Files)) icon.addFile(icons.filePath(file));
  return icon;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QGuiApplication::setDesktopFileName(QStringLiteral("rinomina"));
  QApplication::setWindowIcon(ProgramIcon());
  // The window decides the exit status, also when it is the last one to close.
  QApplication::setQuitOnLastWindowClosed(false);

  rinomina::Form1Window window(ProgramFolder());
  QObject::connect(&window, &rinomina::Form1Window::finished, &app, &QCoreApplication::exit,
                   Qt::QueuedConnection);
  window.show();
  return app.exec();
}
