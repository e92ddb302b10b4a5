// Starts the program with Form1 as its only window, on the folder that holds
// the executable, and ends with the status the window finished with.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "bundled_qt_plugins.hpp"
#include "destroyed_window_watch.hpp"
#include "failure_report.hpp"
#include "form1_window.hpp"
#include "italian_qt_texts.hpp"
#include "messages.hpp"
#include "window_font.hpp"
#include "x_display.hpp"

namespace {

// The folder of the executable as the system names it, byte for byte: Qt's
// own answer passes through a QString and loses the bytes that are not UTF-8.
std::filesystem::path ProgramFolder(std::error_code& error) {
  return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

QString ProgramFolderFailureText(std::error_code error) {
  return QStringLiteral("Impossibile trovare la cartella del programma: %1.")
      .arg(QString::fromStdString(rinomina::ReasonText(error)));
}

// The program's icon at every size rendered into the resources at build time.
QIcon ProgramIcon() {
  QIcon icon;
  const QDir icons(QStringLiteral(":/icons"));
  for (const QString& file : icons.entryList(QDir::Files)) icon.addFile(icons.filePath(file));
  return icon;
}

// Said on the terminal, the only place left without a display; in English
// too, for whoever reads the terminal of a machine set up in another language.
constexpr char kNoXDisplayText[] =
    "Nessun display X: avviare il programma da una sessione grafica (X11 o XWayland)\n"
    "No X display: start the program from a graphical session (X11 or XWayland)\n";

}  // namespace

int main(int argc, char* argv[]) {
  const bool bundledPlugins = rinomina::UseBundledQtPlugins();
  if (rinomina::QtWillUseX11(bundledPlugins) && !rinomina::XDisplayOpens()) {
    std::fputs(kNoXDisplayText, stderr);
    return rinomina::Form1Window::kFailureExitStatus;
  }
  // The program takes no arguments; the folder's Qt takes none either, such
  // as -platformpluginpath, which would load a plugin from elsewhere.
  int qtArgumentCount = bundledPlugins ? 1 : argc;
  QApplication app(qtArgumentCount, argv);
  QApplication::setFont(rinomina::WindowFont(rinomina::kWindowPointSize));  // the error box too
  if (!rinomina::InstallItalianQtTexts(app)) qWarning("Testi di Qt in italiano non disponibili.");
  QApplication::setWindowIcon(ProgramIcon());
  // The window decides the exit status, also when it is the last one to close.
  QApplication::setQuitOnLastWindowClosed(false);

  // Without its folder the program cannot tell "nothing to copy" from a failure.
  std::error_code error;
  const std::filesystem::path programFolder = ProgramFolder(error);
  if (error) {
    rinomina::ShowFailureReport(nullptr, ProgramFolderFailureText(error));
    return rinomina::Form1Window::kFailureExitStatus;
  }

  rinomina::Form1Window window(programFolder);
  QObject::connect(&window, &rinomina::Form1Window::finished, &app, &QCoreApplication::exit,
                   Qt::QueuedConnection);
  window.show();
  rinomina::DestroyedWindowWatch destroyedWindowWatch(window);
  app.installNativeEventFilter(&destroyedWindowWatch);
  return app.exec();
}
