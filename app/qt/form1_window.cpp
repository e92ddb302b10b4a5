#include "form1_window.hpp"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringView>
#include <QThread>
#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "copy_pass.hpp"
#include "failure_report.hpp"
#include "form1.hpp"
#include "form1_controls.hpp"

namespace rinomina {
namespace {

// The two description lines as one label text: a QLabel breaks lines at "\n",
// and the "\r" of a "\r\n" join would show as a stray character.
QString DescriptionText() {
  return QStringView(form1::kDescriptionLine1).toString() + QChar(u'\n') +
         QStringView(form1::kDescriptionLine2).toString();
}

// The pass on its own thread. Nothing may leave it: every failure becomes
// the report's text.
std::optional<QString> RunPass(const std::filesystem::path& programFolder,
                               const std::u16string& searchText,
                               const std::u16string& replacementText, PassMonitor& monitor) {
  try {
    RunCopyPass(programFolder, searchText, replacementText, &monitor);
    return std::nullopt;
  } catch (const CopyPassError& error) {
    return QString::fromUtf8(error.what());
  } catch (const std::exception& error) {
    return UnexpectedFailureText(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    return UnexpectedFailureText(QString());
  }
}

// How often the title shows the progress: about 4 times a second.
constexpr int kProgressIntervalMs = 250;

template <typename Widget>
Widget* FindControl(QWidget* window, std::string_view name) {
  return window->findChild<Widget*>(
      QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
      Qt::FindDirectChildrenOnly);
}

}  // namespace

Form1Window::Form1Window(std::filesystem::path programFolder, QWidget* parent)
    : QWidget(parent), programFolder_(std::move(programFolder)) {
  setWindowTitle(QStringView(form1::kTitle).toString());
  resize(ToPixels(form1::kClientWidth), ToPixels(form1::kClientHeight));
  createControls();

  // The load step: the description replaces Label3's placeholder before the
  // window is first shown.
  FindControl<QLabel>(this, "Label3")->setText(DescriptionText());

  searchBox_ = FindControl<QLineEdit>(this, "Text1");
  replacementBox_ = FindControl<QLineEdit>(this, "Text2");
  // Screen readers name each box after its label. The captions hold no "&",
  // so no access key comes with it.
  FindControl<QLabel>(this, "Label1")->setBuddy(searchBox_);
  FindControl<QLabel>(this, "Label2")->setBuddy(replacementBox_);
  connect(FindControl<QPushButton>(this, "Command1"), &QPushButton::clicked, this,
          &Form1Window::pressCommand1);
  progressTimer_.setInterval(kProgressIntervalMs);
  connect(&progressTimer_, &QTimer::timeout, this, &Form1Window::showProgress);
}

Form1Window::~Form1Window() {
  if (!pass_) return;
  monitor_.RequestStop();
  pass_->wait();
}

void Form1Window::createControls() {
  std::vector<const form1::ControlDescription*> byTabIndex;
  for (const form1::ControlDescription& description : form1::kControls) {
    byTabIndex.push_back(&description);
  }
  std::ranges::stable_sort(byTabIndex, {}, &form1::ControlDescription::tabIndex);

  // Controls that cannot take the focus drop out of the chain; the first one
  // that can gets the first focus.
  QWidget* previous = nullptr;
  for (const form1::ControlDescription* description : byTabIndex) {
    QWidget* control = CreateControl(*description, this);
    if (!(control->focusPolicy() & Qt::TabFocus)) continue;
    if (previous) {
      setTabOrder(previous, control);
    } else {
      control->setFocus();
    }
    previous = control;
  }
}

void Form1Window::pressCommand1() {
  // One pass per run of the program; a press queued behind it finds the window busy or done.
  if (state_ != State::kIdle) return;
  state_ = State::kRunningPass;
  show();
  // The texts are read once, here.
  pass_.reset(QThread::create([this, search = searchBox_->text().toStdU16String(),
                               replacement = replacementBox_->text().toStdU16String()] {
    failure_ = RunPass(programFolder_, search, replacement, monitor_);
  }));
  connect(pass_.get(), &QThread::finished, this, &Form1Window::passEnded);
  // Shown greyed, the boxes and the button take no input until the window
  // goes (after the pass, or after its report): the texts stay as read.
  for (const char* name : {"Text1", "Text2", "Command1"})
    FindControl<QWidget>(this, name)->setEnabled(false);
  // A busy cursor on every widget, text boxes included, for as long as it runs.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  progressTimer_.start();
  pass_->start();
}

void Form1Window::showProgress() {
  setWindowTitle(QString::fromStdU16String(form1::ProgressTitle(PercentDone(monitor_.Read()))));
}

void Form1Window::passEnded() {
  pass_->wait();  // finished() may come a moment before the thread is gone
  progressTimer_.stop();
  QGuiApplication::restoreOverrideCursor();
  if (!failure_) {
    showProgress();
    return finish(0);
  }
  // Closed during the pass: the user knows why it ended, and no box is owed.
  if (monitor_.StopRequested()) return finish(kFailureExitStatus);
  state_ = State::kReporting;
  setWindowTitle(QStringView(form1::kTitle).toString());
  ShowFailureReport(this, *failure_);
  finish(kFailureExitStatus);
}

void Form1Window::finish(int exitStatus) {
  state_ = State::kFinished;
  close();
  emit finished(exitStatus);
}

void Form1Window::closeEvent(QCloseEvent* event) {
  switch (state_) {
    case State::kIdle:
      // Closed by the user before any pass: nothing was touched.
      state_ = State::kFinished;
      event->accept();
      emit finished(0);
      return;
    case State::kRunningPass:
      // The close is taken at once: the window goes off the screen now, and
      // the program ends once the pass has stopped (within a chunk of data)
      // and flushed the copies it made, which on a slow disk takes a while.
      monitor_.RequestStop();
      progressTimer_.stop();
      hide();
      event->ignore();
      return;
    case State::kReporting:
      // The failure report is open; the window closes once it is dismissed.
      event->ignore();
      return;
    case State::kFinished:
      event->accept();
      return;
  }
}

}  // namespace rinomina
