#include "form1_controls.hpp"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QString>
#include <QStringView>
#include <limits>

#include "window_font.hpp"

namespace rinomina {
namespace {

// The table's twips assume this resolution; Qt scales beyond it on high-dpi screens.
constexpr int kDesignDpi = 96;
constexpr double kTenThousandthsPerPoint = 10000.0;

QWidget* CreateListBox(QWidget* parent) {
  // Nothing fills or reads the list: it is shown, empty, outside the tab chain.
  auto* list = new QListWidget(parent);
  list->setFocusPolicy(Qt::NoFocus);
  return list;
}

QWidget* CreateTextBox(const QString& text, QWidget* parent) {
  auto* box = new QLineEdit(text, parent);
  // Qt's default limit would cut a long pasted text short without a word.
  box->setMaxLength(std::numeric_limits<int>::max());
  return box;
}

QWidget* CreateLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);  // shown as it stands, never as markup
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setFocusPolicy(Qt::NoFocus);
  return label;
}

QWidget* CreatePushButton(const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  // Neither default nor cancel button: Enter and Escape in a box do not press it.
  button->setAutoDefault(false);
  button->setDefault(false);
  // Enter on the focused button presses it, as in a Windows dialog; Space already does.
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    new QShortcut(QKeySequence(key), button, button, &QPushButton::click, Qt::WidgetShortcut);
  }
  return button;
}

QWidget* CreateWidget(const form1::ControlDescription& description, QWidget* parent) {
  const QString text = QStringView(description.initialText).toString();
  switch (description.kind) {
    case form1::ControlKind::kListBox:
      return CreateListBox(parent);
    case form1::ControlKind::kTextBox:
      return CreateTextBox(text, parent);
    case form1::ControlKind::kLabel:
      return CreateLabel(text, parent);
    case form1::ControlKind::kPushButton:
      return CreatePushButton(text, parent);
  }
  return CreateLabel(text, parent);  // not reached: every kind is handled above
}

}  // namespace

int ToPixels(int twips) { return form1::TwipsToPixels(twips, kDesignDpi); }

QFont LabelFont() {
  // The labels' own face is drawn with the built-in one, whose widths are
  // close to it, so the description fits its box as designed on every system.
  QFont font = WindowFont(form1::kLabelFont.tenThousandthsOfPoint / kTenThousandthsPerPoint);
  font.setWeight(QFont::Weight(form1::kLabelFont.weight));
  return font;
}

QWidget* CreateControl(const form1::ControlDescription& description, QWidget* parent) {
  QWidget* control = CreateWidget(description, parent);
  control->setObjectName(QString::fromLatin1(description.name.data(),
                                             static_cast<qsizetype>(description.name.size())));
  control->setGeometry(ToPixels(description.left), ToPixels(description.top),
                       ToPixels(description.width), ToPixels(description.height));
  control->setFont(description.usesLabelFont ? LabelFont() : WindowFont(kWindowPointSize));
  return control;
}

}  // namespace rinomina
