#include "form1_window.hpp"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringView>
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
  // One pass per run of the program; a press queued behind it finds the window done.
  if (state_ != State::kIdle) return;
  state_ = State::kRunningPass;
  show();
  // The pass runs here on the window's thread and blocks the window until it
  // returns, under a busy cursor (on every widget, text boxes included).
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const std::optional<QString> failure = runCopyPass();
  QGuiApplication::restoreOverrideCursor();
  if (failure) ShowFailureReport(this, *failure);
  finish(failure ? kFailureExitStatus : 0);
}

std::optional<QString> Form1Window::runCopyPass() {
  // Nothing may leave this handler into Qt's event loop: every failure becomes a report.
  try {
    RunCopyPass(programFolder_, searchBox_->text().toStdU16String(),
                replacementBox_->text().toStdU16String());
    return std::nullopt;
  } catch (const CopyPassError& error) {
    return QString::fromUtf8(error.what());
  } catch (const std::exception& error) {
    return UnexpectedFailureText(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    return UnexpectedFailureText(QString());
  }
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
      // A failure report is still open; the window closes once it is dismissed.
      event->ignore();
      return;
    case State::kFinished:
      event->accept();
      return;
  }
}

}  // namespace rinomina
