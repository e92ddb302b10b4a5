// Form1, the program's only window: it takes the search and replacement texts
// and runs one copy pass on the program folder when "Command1" is pressed.
// The pass runs on a thread of its own, so the window stays alive: it shows
// the share done in its title, its boxes and button greyed. Closed, it
// leaves the screen at once and stops the pass. It never quits the
// application itself; it emits finished() once instead, when the pass has
// ended.
#pragma once

#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <optional>

#include "pass_monitor.hpp"

class QLineEdit;
class QThread;

namespace rinomina {

class Form1Window : public QWidget {
  Q_OBJECT

 public:
  // The status finished() carries after a failed or stopped pass.
  static constexpr int kFailureExitStatus = 1;

  explicit Form1Window(std::filesystem::path programFolder, QWidget* parent = nullptr);
  // Stops a pass still running and waits for it.
  ~Form1Window() override;

 signals:
  // Emitted once, when the window has closed: 0 after a whole pass or when
  // the user closed it before pressing "Esegui"; kFailureExitStatus after a
  // failed pass and its report, or a pass stopped by closing the window.
  void finished(int exitStatus);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class State { kIdle, kRunningPass, kReporting, kFinished };

  void createControls();
  void pressCommand1();
  void showProgress();
  void passEnded();
  void finish(int exitStatus);

  std::filesystem::path programFolder_;
  QLineEdit* searchBox_ = nullptr;       // Text1
  QLineEdit* replacementBox_ = nullptr;  // Text2
  State state_ = State::kIdle;
  PassMonitor monitor_;
  std::unique_ptr<QThread> pass_;
  std::optional<QString> failure_;  // written by the pass's thread before it ends
  QTimer progressTimer_;
};

}  // namespace rinomina
