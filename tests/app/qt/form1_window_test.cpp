// Form1 on Qt's offscreen platform: the window against its table, the
// keyboard, and the exit status of each way the window ends.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "form1.hpp"
#include "form1_window.hpp"

namespace rinomina {
namespace {

QString Str(std::u16string_view text) { return QStringView(text).toString(); }
// The table's twips at the 96 dpi they are designed for.
int Px(int twips) { return form1::TwipsToPixels(twips, 96); }

std::filesystem::path MakeProgramFolder(const QTemporaryDir& dir, bool withTarget) {
  QDir(dir.path()).mkdir("Originali");
  if (withTarget) QDir(dir.path()).mkdir("Modificati");
  for (const char* name : {"foto_01.jpg", "città 01.txt", "nota.txt"})
    QFile(dir.filePath("Originali/" + QString::fromUtf8(name))).open(QFile::WriteOnly);
  return QFile::encodeName(dir.path()).toStdString();
}

// Form1, shown and active, on a throwaway program folder: "Originali" with a
// few files and, unless told otherwise, an empty "Modificati".
struct Shown {
  QTemporaryDir dir;
  Form1Window window;
  explicit Shown(bool withTarget = true) : window(MakeProgramFolder(dir, withTarget)) {
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
  QWidget* operator[](const char* name) { return window.findChild<QWidget*>(name); }
  QStringList copies() const { return QDir(dir.filePath("Modificati")).entryList(QDir::Files); }
  // Runs `action` in an event loop that ends, as the program's does, with the
  // status the window finishes with; -1000 when it never finishes.
  int runUntilFinished(auto action) {
    QEventLoop loop;
    QObject::connect(&window, &Form1Window::finished, &loop, &QEventLoop::exit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, &loop, action);
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(-1000); });
    return loop.exec();
  }
};

}  // namespace

class Form1WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void windowFollowsTheTable() {
    Shown f;
    QCOMPARE(f.window.windowTitle(), Str(form1::kTitle));
    QCOMPARE(f.window.size(), QSize(Px(form1::kClientWidth), Px(form1::kClientHeight)));
    for (const form1::ControlDescription& c : form1::kControls) {
      QWidget* control = f[c.name.data()];
      QVERIFY2(control && control->isVisible(), c.name.data());
      QCOMPARE(control->geometry(), QRect(Px(c.left), Px(c.top), Px(c.width), Px(c.height)));
      if (c.name != "Label3") QCOMPARE(control->property("text").toString(), Str(c.initialText));
      if (!c.usesLabelFont) continue;
      QCOMPARE(control->font().families().value(0), Str(form1::kLabelFont.face));
      QCOMPARE(control->font().pointSizeF(), 9.75);
    }
    // Exactly the two lines: a "\r" left from the "\r\n" join would show.
    QCOMPARE(f["Label3"]->property("text").toString().split(u'\n'),
             QStringList({Str(form1::kDescriptionLine1), Str(form1::kDescriptionLine2)}));
  }

  void keysMoveTheFocusButNeverPressThenClosingEndsWithZero() {
    Shown f;
    // Clicks on List1 and the labels leave the focus where it was.
    for (const char* name : {"List1", "Label1", "Label2", "Label3"})
      QTest::mouseClick(f[name], Qt::LeftButton);
    for (const char* expected : {"Text1", "Text2", "Command1", "Text1"}) {
      QWidget* focus = QApplication::focusWidget();
      QCOMPARE(focus ? focus->objectName() : QString(), QString(expected));
      QTest::keyClick(focus, Qt::Key_Tab);
    }
    for (const char* box : {"Text1", "Text2"}) {
      QTest::keyClicks(f[box], "01");
      for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(f[box], key);
    }
    QVERIFY(f.window.isVisible());  // a press would have closed it
    QCOMPARE(f.runUntilFinished([&f] { f.window.close(); }), 0);
    QVERIFY(f.copies().isEmpty());
  }

  void pressCopiesWithTheTextsUntouchedThenEndsWithZero_data() {
    QTest::addColumn<QStringList>("texts");  // Text1, Text2
    QTest::addColumn<QStringList>("copies");
    QTest::newRow("plain") << QStringList{"01", "02"} << QStringList{"città 02.txt", "foto_02.jpg"};
    QTest::newRow("spaces kept") << QStringList{" 01", " uno "} << QStringList{"città uno .txt"};
    QTest::newRow("non-ASCII") << QStringList{"città", "paëse"} << QStringList{"paëse 01.txt"};
  }

  void pressCopiesWithTheTextsUntouchedThenEndsWithZero() {
    QFETCH(QStringList, texts);
    QFETCH(QStringList, copies);
    Shown f;
    f["Text1"]->setProperty("text", texts[0]);
    f["Text2"]->setProperty("text", texts[1]);
    QCOMPARE(f.runUntilFinished([&f] { QTest::mouseClick(f["Command1"], Qt::LeftButton); }), 0);
    QVERIFY(!f.window.isVisible());
    QCOMPARE(f.copies(), copies);
  }

  void failedPassIsReportedThenEndsNonZero() {
    Shown f(false);  // no "Modificati": the copy fails
    f["Text1"]->setProperty("text", "città");
    QString report;
    const int status = f.runUntilFinished([&] {
      // Runs in the modal report's own event loop: try closing the window
      // under it, which must stay open, then dismiss the report.
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        f.window.close();
        report = f.window.isVisible() ? box->text() : "the window closed under the report";
        box->accept();
      });
      QTest::mouseClick(f["Command1"], Qt::LeftButton);
    });
    QVERIFY(status != 0);
    QVERIFY(!f.window.isVisible());
    QVERIFY2(report.contains("\"città 01.txt\""), qPrintable(report));
  }
};

}  // namespace rinomina

QTEST_MAIN(rinomina::Form1WindowTest)
#include "form1_window_test.moc"
