// Form1 on Qt's offscreen platform, under LANG=C.UTF-8 and with only the
// DejaVu fonts offered (tests/app/qt/CMakeLists.txt): the window against
// literal pixels and texts, drawn with its built-in face, Qt's own texts, the
// names screen readers read, the keyboard, texts longer than Qt's default
// limit, and the exit status of each way the window ends.
#include <QtTest>
#include <QtWidgets>

#include "form1_window.hpp"
#include "italian_qt_texts.hpp"

namespace rinomina {
namespace {

// The window as designed: each control's rectangle at 96 dpi, its text,
// whether it has the labels' font. The one place these values are written
// out: the Windows window's tests hold that window against form1.hpp.
const QString kDescription =
    "Ricopia tutti i files della cartella 'Originali' nella cartella 'Modificati'\nModifica il "
    "nome dei file ricopiati sostituendo il testo indicato nella prima casella con quello "
    "indicato nella seconda casella.";
const std::tuple<const char*, QRect, QString, bool> kControls[] = {
    {"List1", {312, 176, 57, 43}, "", false},
    {"Text1", {288, 88, 113, 25}, "", false},
    {"Label1", {8, 88, 217, 17}, "Inserire il testo da sostituire", true},
    {"Text2", {288, 120, 113, 25}, "", false},
    {"Label2", {8, 120, 225, 17}, "Inserire il testo nuovo", true},
    {"Command1", {88, 152, 113, 25}, "Esegui", false},
    {"Label3", {8, 0, 425, 49}, kDescription, true}};

std::filesystem::path MakeProgramFolder(const QTemporaryDir& dir) {
  QDir(dir.path()).mkdir("Originali");
  QDir(dir.path()).mkdir("Modificati");
  for (const char* name : {"foto_01.jpg", "città 01.txt", "nota.txt"}) {
    QFile file(dir.filePath("Originali/" + QString::fromUtf8(name)));
    if (file.open(QFile::WriteOnly)) file.write(name);  // not empty: a share to show
  }
  return QFile::encodeName(dir.path()).toStdString();
}

// Form1, shown and active, on a throwaway program folder: "Originali" with a
// few files and an empty "Modificati".
struct Shown {
  QTemporaryDir dir;
  Form1Window window;
  Shown() : window(MakeProgramFolder(dir)) {
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
  void initTestCase() { QVERIFY(InstallItalianQtTexts(*qApp)); }

  void windowLooksAsDesignedBoxesAreNamedAndTakeLongTextsQtTextsAreItalian() {
    Shown f;
    QCOMPARE(f.window.windowTitle(), "Form1");
    QCOMPARE(f.window.size(), QSize(448, 203));
    for (const auto& [name, rect, text, labelFont] : kControls) {
      QVERIFY2(f[name] && f[name]->isVisible(), name);
      QCOMPARE(f[name]->geometry(), rect);
      QCOMPARE(f[name]->property("text").toString(), text);
      // The built-in face, found; the labels' size or Qt's usual one.
      const QFont font = f[name]->font();
      QCOMPARE(QFontInfo(font).family(), "Liberation Sans");
      QCOMPARE(font.pointSizeF(), labelFont ? 9.75 : 9.0);
    }
    for (const auto& [box, label] : {std::pair{"Text1", "Inserire il testo da sostituire"},
                                     std::pair{"Text2", "Inserire il testo nuovo"}}) {
      QCOMPARE(QAccessible::queryAccessibleInterface(f[box])->text(QAccessible::Name), label);
      // Qt stops a box at 32,767 characters unless told otherwise, which would
      // cut a long pasted or typed text short without a word.
      const QString set(39990, u'a');
      f[box]->setProperty("text", set);
      QTest::keyClicks(f[box], "bcdefghijk");
      QVERIFY(f[box]->property("text").toString() == set + "bcdefghijk");
    }
    QScopedPointer menu(qobject_cast<QLineEdit*>(f["Text1"])->createStandardContextMenu());
    QStringList texts;  // without the shortcuts after a tab; separators are empty
    for (const QAction* action : menu->actions()) texts << action->text().section(u'\t', 0, 0);
    QCOMPARE(texts, QStringList({"Ann&ulla", "&Rifai", "", "&Taglia", "&Copia", "&Incolla",
                                 "Elimina", "", "Seleziona tutto"}));
  }

  void keysMoveTheFocusButNeverPressThenClosingEndsWithZero() {
    Shown f;
    // Clicks on List1 and the labels leave the focus where it was.
    for (const char* name : {"List1", "Label1", "Label2", "Label3"})
      QTest::mouseClick(f[name], Qt::LeftButton);
    for (const char* expected : {"Text1", "Text2", "Command1", "Text1"}) {
      QCOMPARE(QApplication::focusWidget()->objectName(), expected);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (const char* box : {"Text1", "Text2"}) {
      QTest::keyClicks(f[box], "01");
      QTest::keySequence(f[box], QKeySequence("Return, Esc, Num+Enter"));
    }
    QCOMPARE(f.runUntilFinished([&f] { f.window.close(); }), 0);
    QVERIFY(f.copies().isEmpty());
  }

  void pressCopiesWithTheTextsUntouchedThenEndsWithZero() {
    // Text1, Text2, the key pressed on the focused button (none: a click), the copies.
    const std::tuple<QString, QString, QKeySequence, QStringList> presses[] = {
        {"01", "02", {}, {"città 02.txt", "foto_02.jpg"}},
        {" 01", " uno ", Qt::Key_Return, {"città uno .txt"}},
        {"città", "paëse", Qt::Key_Enter | Qt::KeypadModifier, {"paëse 01.txt"}},
    };
    for (const auto& [search, replacement, key, copies] : presses) {
      Shown f;
      f["Text1"]->setProperty("text", search);
      f["Text2"]->setProperty("text", replacement);
      f["Command1"]->setFocus();
      QStringList enabled;  // controls still taking input once pressed: none, greyed till the end
      QCOMPARE(f.runUntilFinished([&f, &key, &enabled] {
        if (key.isEmpty()) QTest::mouseClick(f["Command1"], Qt::LeftButton);
        QTest::keySequence(f["Command1"], key);
        for (const char* name : {"Text1", "Text2", "Command1"})
          if (f[name]->isEnabled()) enabled << name;
      }),
               0);
      QCOMPARE(f.copies(), copies);
      QCOMPARE(enabled, QStringList());
      QCOMPARE(f.window.windowTitle(), "Form1 - 100%");  // the last share shown: all of it
    }
  }

  void failedPassIsReportedAsPlainTextThenEndsNonZero() {
    // A replacement that is not one name: the report must show it as it is,
    // markup and accent included.
    Shown f;
    f["Text1"]->setProperty("text", "foto");
    f["Text2"]->setProperty("text", "<b>città</b>");
    QString report;
    QTimer poll;  // the report opens once the pass has ended on its thread
    const int status = f.runUntilFinished([&] {
      // Runs in the modal report's own event loop: try closing the window
      // under it, which must stay open, then dismiss the report.
      QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll.stop();
        f.window.close();
        // The text as shown and read aloud: markup would be drawn, not shown.
        const QString shown =
            QAccessible::queryAccessibleInterface(box->findChild<QLabel*>("qt_msgbox_label"))
                ->text(QAccessible::Name);
        report = f.window.isVisible() ? box->windowTitle() + ": " + shown : "window closed";
        if (QGuiApplication::overrideCursor()) report = "a busy cursor over the report";
        if (f.window.windowTitle() != "Form1") report = "title " + f.window.windowTitle();
        box->accept();
      });
      poll.start(10);
      QTest::mouseClick(f["Command1"], Qt::LeftButton);
    });
    QCOMPARE(status, Form1Window::kFailureExitStatus);
    QVERIFY2(report.startsWith("Errore: Impossibile copiare \"foto_01.jpg\"") &&
                 report.contains("\"Modificati/<b>città</b>_01.jpg\""),
             qPrintable(report));
  }
};

}  // namespace rinomina

QTEST_MAIN(rinomina::Form1WindowTest)
#include "form1_window_test.moc"
