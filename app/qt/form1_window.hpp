// Form1, the program's only window: it takes the search and replacement texts
// and runs one copy pass on the program folder when "Command1" is pressed.
// It never quits the application itself; it emits finished() once instead.
#pragma once

#include <QWidget>
#include <filesystem>
#include <optional>

class QLineEdit;

namespace rinomina {

class Form1Window : public QWidget {
  Q_OBJECT

 public:
  // The status finished() carries after a failed pass has been reported.
  static constexpr int kFailureExitStatus = 1;

  explicit Form1Window(std::filesystem::path programFolder, QWidget* parent = nullptr);

 signals:
  // Emitted once, when the window has closed: 0 after a pass or when the user
  // closed it, kFailureExitStatus after a failed pass and its report.
  void finished(int exitStatus);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class State { kIdle, kRunningPass, kFinished };

  void createControls();
  void pressCommand1();
  // The failure report's text, or nothing when the pass went through.
  std::optional<QString> runCopyPass();
  void finish(int exitStatus);

  std::filesystem::path programFolder_;
  QLineEdit* searchBox_ = nullptr;       // Text1
  QLineEdit* replacementBox_ = nullptr;  // Text2
  State state_ = State::kIdle;
};

}  // namespace rinomina
