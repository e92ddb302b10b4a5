// Form1 on Qt's offscreen platform: the window against its description, the
// keyboard, and how each way of ending the window ends the program.
#include <QApplication>
#include <QEventLoop>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "form1.hpp"
#include "form1_controls.hpp"
#include "form1_window.hpp"
#include "program_folder.hpp"

namespace rinomina {
namespace {

// Returned by RunUntilFinished when the window never finished; keeps a broken
// build from hanging the test run.
constexpr int kNeverFinished = -1000;
constexpr int kGiveUpMilliseconds = 60000;

QString Name(std::string_view name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString Text(std::u16string_view text) { return QStringView(text).toString(); }

template <typename Widget = QWidget>
Widget* Control(QWidget& window, std::string_view name) {
  return window.findChild<Widget*>(Name(name));
}

// Runs `action` inside an event loop that ends, as the program's does, with
// the status the window finishes with.
int RunUntilFinished(Form1Window& window, const std::function<void()>& action) {
  QEventLoop loop;
  QObject::connect(&window, &Form1Window::finished, &loop, &QEventLoop::exit, Qt::QueuedConnection);
  QTimer::singleShot(0, &loop, action);
  QTimer::singleShot(kGiveUpMilliseconds, &loop, [&loop] { loop.exit(kNeverFinished); });
  return loop.exec();
}

void ShowAndActivate(QWidget& window) {
  window.show();
  QVERIFY(QTest::qWaitForWindowActive(&window));
}

}  // namespace

class Form1WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void windowHasTitleAndClientSize() {
    Form1Window window(ProgramFolder().path());
    QCOMPARE(window.windowTitle(), Text(form1::kTitle));
    QCOMPARE(window.size(), QSize(ToPixels(form1::kClientWidth), ToPixels(form1::kClientHeight)));
    QCOMPARE(window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(),
             static_cast<qsizetype>(form1::kControls.size()));
  }

  void controlMatchesTable_data() {
    QTest::addColumn<int>("row");
    for (int row = 0; row < static_cast<int>(form1::kControls.size()); ++row) {
      QTest::newRow(form1::kControls[row].name.data()) << row;
    }
  }

  void controlMatchesTable() {
    QFETCH(int, row);
    const form1::ControlDescription& description = form1::kControls[row];
    Form1Window window(ProgramFolder().path());
    QWidget* control = Control(window, description.name);
    QVERIFY(control);

    QCOMPARE(control->geometry(), QRect(ToPixels(description.left), ToPixels(description.top),
                                        ToPixels(description.width), ToPixels(description.height)));
    QVERIFY(!control->isHidden());
    if (description.usesLabelFont) {
      const QFont font = control->font();
      QCOMPARE(font.families().value(0), Text(form1::kLabelFont.face));
      QCOMPARE(font.styleHint(), QFont::SansSerif);
      QCOMPARE(font.pointSizeF(), 9.75);
      QCOMPARE(font.weight(), QFont::Normal);
    } else {
      QCOMPARE(control->font(), window.font());
    }

    switch (description.kind) {
      case form1::ControlKind::kListBox: {
        auto* list = qobject_cast<QListWidget*>(control);
        QVERIFY(list);
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->focusPolicy(), Qt::NoFocus);
        break;
      }
      case form1::ControlKind::kTextBox: {
        auto* box = qobject_cast<QLineEdit*>(control);
        QVERIFY(box);
        QCOMPARE(box->text(), Text(description.initialText));
        QCOMPARE(box->maxLength(), std::numeric_limits<int>::max());
        break;
      }
      case form1::ControlKind::kLabel: {
        auto* label = qobject_cast<QLabel*>(control);
        QVERIFY(label);
        if (description.name != "Label3") QCOMPARE(label->text(), Text(description.initialText));
        QVERIFY(label->wordWrap());
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        break;
      }
      case form1::ControlKind::kPushButton: {
        auto* button = qobject_cast<QPushButton*>(control);
        QVERIFY(button);
        QCOMPARE(button->text(), Text(description.initialText));
        QVERIFY(!button->autoDefault());
        QVERIFY(!button->isDefault());
        break;
      }
    }
  }

  void label3ShowsTwoLinesFromTheStart() {
    Form1Window window(ProgramFolder().path());
    const QString text = Control<QLabel>(window, "Label3")->text();
    QCOMPARE(text.split(u'\n'),
             QStringList({Text(form1::kDescriptionLine1), Text(form1::kDescriptionLine2)}));
    QVERIFY(!text.contains(u'\r'));
  }

  void label3DescriptionFitsItsBox() {
    // Needs the labels' face or one of similar widths installed; the system's
    // default sans-serif is wider and cuts the second line short.
    Form1Window window(ProgramFolder().path());
    const QLabel* label = Control<QLabel>(window, "Label3");
    const QRect needed =
        QFontMetrics(label->font())
            .boundingRect(QRect(QPoint(0, 0), label->size()),
                          Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, label->text());
    QVERIFY2(needed.height() <= label->height(),
             qPrintable(QFontInfo(label->font()).family() + " needs " +
                        QString::number(needed.height()) + " px"));
  }

  void focusStartsInText1AndTabsToText2ThenCommand1() {
    Form1Window window(ProgramFolder().path());
    ShowAndActivate(window);
    const QStringList expected{"Text1", "Text2", "Command1", "Text1"};
    for (int step = 0; step < expected.size(); ++step) {
      QVERIFY(QApplication::focusWidget());
      QCOMPARE(QApplication::focusWidget()->objectName(), expected[step]);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
  }

  void enterAndEscapeInABoxDoNotPressCommand1() {
    ProgramFolder folder;
    Form1Window window(folder.path());
    QSignalSpy finished(&window, &Form1Window::finished);
    ShowAndActivate(window);
    for (const char* box : {"Text1", "Text2"}) {
      QTest::keyClick(Control(window, box), Qt::Key_Return);
      QTest::keyClick(Control(window, box), Qt::Key_Enter);
      QTest::keyClick(Control(window, box), Qt::Key_Escape);
    }
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 0);
    QVERIFY(window.isVisible());
    QVERIFY(folder.files("Modificati").isEmpty());
  }

  void pressCopiesMatchingFilesThenFinishesWithZero_data() {
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QStringList>("expectedCopies");  // "source>copy"
    const auto row = [](const char* name, const char* search, const char* replacement,
                        const QStringList& copies) {
      QTest::newRow(name) << QString(search) << QString(replacement) << copies;
    };
    row("01 to 02", "01", "02",
        {".nascosto_01>.nascosto_02", "città 01.txt>città 02.txt",
         "documento_01.txt>documento_02.txt", "foto_01.jpg>foto_02.jpg"});
    row("spaces kept", " 01", " uno ", {"città 01.txt>città uno .txt"});
    row("non-ASCII", "città", "paese", {"città 01.txt>paese 01.txt"});
    row("no match", "zzz", "x", {});
  }

  void pressCopiesMatchingFilesThenFinishesWithZero() {
    QFETCH(QString, search);
    QFETCH(QString, replacement);
    QFETCH(QStringList, expectedCopies);
    ProgramFolder folder;
    Form1Window window(folder.path());
    ShowAndActivate(window);
    Control<QLineEdit>(window, "Text1")->setText(search);
    Control<QLineEdit>(window, "Text2")->setText(replacement);

    const int status = RunUntilFinished(
        window, [&window] { QTest::mouseClick(Control(window, "Command1"), Qt::LeftButton); });

    QCOMPARE(status, 0);
    QVERIFY(!window.isVisible());
    const QMap<QString, QByteArray> originals = ProgramFolder::originalFiles();
    QMap<QString, QByteArray> expected;
    for (const QString& copy : expectedCopies) {
      expected.insert(copy.section(u'>', 1), originals.value(copy.section(u'>', 0, 0)));
    }
    QCOMPARE(folder.files("Modificati"), expected);
    QCOMPARE(folder.files("Originali"), originals);
  }

  void failedPassIsReportedThenFinishesNonZero() {
    ProgramFolder folder(ProgramFolder::Target::kMissing);
    Form1Window window(folder.path());
    QSignalSpy finished(&window, &Form1Window::finished);
    ShowAndActivate(window);
    Control<QLineEdit>(window, "Text1")->setText("foto_01");

    // The report is modal: look for it from the event loop it runs, then dismiss it.
    QString reportText;
    QMessageBox::Icon reportIcon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons reportButtons;
    bool windowOpenDuringReport = false;
    QTimer dismisser;
    connect(&dismisser, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      dismisser.stop();
      reportText = box->text();
      reportIcon = box->icon();
      reportButtons = box->standardButtons();
      windowOpenDuringReport = window.isVisible() && finished.isEmpty();
      window.close();  // ignored while the report is open
      box->accept();
    });
    dismisser.start(10);

    const int status = RunUntilFinished(
        window, [&window] { QTest::mouseClick(Control(window, "Command1"), Qt::LeftButton); });

    QCOMPARE(status, Form1Window::kFailureExitStatus);
    QVERIFY(status != 0);
    QCOMPARE(finished.count(), 1);
    QVERIFY(windowOpenDuringReport);
    QVERIFY2(reportText.contains("foto_01.jpg"), qPrintable(reportText));
    QCOMPARE(reportIcon, QMessageBox::Critical);
    QCOMPARE(reportButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!window.isVisible());
    QCOMPARE(folder.files("Originali"), ProgramFolder::originalFiles());
  }

  void closingBeforePressingFinishesWithZeroAndTouchesNothing() {
    ProgramFolder folder;
    Form1Window window(folder.path());
    QSignalSpy finished(&window, &Form1Window::finished);
    ShowAndActivate(window);
    Control<QLineEdit>(window, "Text1")->setText("01");

    const int status = RunUntilFinished(window, [&window] { window.close(); });

    QCOMPARE(status, 0);
    QCOMPARE(finished.count(), 1);
    QVERIFY(folder.files("Modificati").isEmpty());
    QCOMPARE(folder.files("Originali"), ProgramFolder::originalFiles());
  }
};

}  // namespace rinomina

QTEST_MAIN(rinomina::Form1WindowTest)
#include "form1_window_test.moc"
