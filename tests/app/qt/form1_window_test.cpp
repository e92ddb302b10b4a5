// Form1 on Qt's offscreen platform, under LANG=C.UTF-8 and with only the
// DejaVu fonts offered (tests/app/qt/CMakeLists.txt): the window against
// literal pixels and texts, drawn with its built-in face, Qt's own texts, the
// names screen readers read, the keyboard, texts longer than Qt's default
// limit; then presses, a close and a failure, each with the status the window
// ends with.
#include <QtTest>
#include <QtWidgets>
#include <fstream>

#include "form1_window.hpp"
#include "italian_qt_texts.hpp"

namespace rinomina {
namespace {

// The window as designed: each control's rectangle at 96 dpi and its text.
// The one place these values are written out: the Windows window's tests hold
// that window against form1.hpp.
const std::tuple<const char*, QRect, QString> kControls[] = {
    {"List1", {312, 176, 57, 43}, ""},
    {"Text1", {288, 88, 113, 25}, ""},
    {"Label1", {8, 88, 217, 17}, "Inserire il testo da sostituire"},
    {"Text2", {288, 120, 113, 25}, ""},
    {"Label2", {8, 120, 225, 17}, "Inserire il testo nuovo"},
    {"Command1", {88, 152, 113, 25}, "Esegui"},
    {"Label3",
     {8, 0, 425, 49},
     "Ricopia tutti i files della cartella 'Originali' nella cartella 'Modificati'\nModifica il "
     "nome dei file ricopiati sostituendo il testo indicato nella prima casella con quello "
     "indicato nella seconda casella."}};

// Form1, shown and active, on a throwaway program folder: "Originali" with a
// few files (not empty: a share to show) and an empty "Modificati".
struct Shown {
  QTemporaryDir dir;
  Form1Window window{QFile::encodeName(dir.path()).toStdString()};
  Shown() {
    for (const char* folder : {"Modificati", "Originali"}) QDir(dir.path()).mkdir(folder);
    for (const char* name : {"foto_01.jpg", "città 01.txt", "nota.txt"})
      std::ofstream(dir.filePath("Originali/").toStdString() + name) << name;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
  QWidget* operator[](const char* name) { return window.findChild<QWidget*>(name); }
  // Runs `action` in an event loop that ends, as the program's does, with the
  // status the window finishes with (-1000 when it never finishes); then that
  // status, the title, the report if one opened, the copies made. A report,
  // seen once the focus has moved to it (in its own loop, which runs this
  // one's queued calls), is recorded after a try at closing the window under
  // it, which must stay open, then dismissed: the window's title ("closed" if
  // it went, "busy" under a busy cursor), the report's title and its text if
  // shown as it is, not as markup.
  QStringList runUntilFinished(auto action) {
    QEventLoop loop;
    QObject::connect(&window, &Form1Window::finished, &loop, &QEventLoop::exit);
    QStringList seen;
    const auto report = [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      window.close();
      seen << window.windowTitle() + (window.isVisible() ? "" : " closed") +
                  (QGuiApplication::overrideCursor() ? " busy" : "") + " / " + box->windowTitle() +
                  ": " + (box->textFormat() == Qt::PlainText ? box->text() : "markup");
      box->accept();
    };
    QObject::connect(qApp, &QApplication::focusChanged, &loop, report, Qt::QueuedConnection);
    QTimer::singleShot(0, &loop, action);
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(-1000); });
    const int status = loop.exec();
    return QStringList{QString::number(status), window.windowTitle()} + seen +
           QDir(dir.filePath("Modificati")).entryList(QDir::Files);
  }
};

}  // namespace

class Form1WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(InstallItalianQtTexts(*qApp)); }

  void windowAsDesignedBoxesNamedAndLongQtTextsItalianClicksAndTabMoveTheFocusAsDesigned() {
    Shown f;
    QCOMPARE(f.window.size(), QSize(448, 203));
    QString focus;  // where the focus is as each control is reached
    for (const auto& [name, rect, text] : kControls) {
      QWidget* w = f[name];
      QVERIFY2(w && w->isVisible(), name);
      QCOMPARE(w->geometry(), rect);
      QCOMPARE(w->property("text").toString(), text);
      // The built-in face, found; the labels' size or Qt's usual one.
      QCOMPARE(QFontInfo(w->font()).family(), "Liberation Sans");
      QCOMPARE(w->font().pointSizeF(), QString(name).startsWith("Label") ? 9.75 : 9.0);
      // Clicked if it cannot take the focus, which then stays; else Tab on it.
      focus += QApplication::focusWidget()->objectName() + " ";
      name[0] == 'L' ? QTest::mouseClick(w, Qt::LeftButton) : QTest::keyClick(w, Qt::Key_Tab);
    }
    QCOMPARE(focus + QApplication::focusWidget()->objectName(),
             "Text1 Text1 Text2 Text2 Command1 Command1 Text1 Text1");
    for (const auto& [box, label] : {std::pair{"Text1", "Label1"}, std::pair{"Text2", "Label2"}}) {
      QCOMPARE(QAccessible::queryAccessibleInterface(f[box])->text(QAccessible::Name),
               f[label]->property("text").toString());
      // Qt stops a box at 32,767 characters unless told otherwise, which would
      // cut a long pasted or typed text short without a word.
      f[box]->setProperty("text", QString(39990, u'a'));
      QTest::keyClicks(f[box], "bcdefghijk");
      QVERIFY(f[box]->property("text").toString() == QString(39990, u'a') + "bcdefghijk");
    }
    QScopedPointer menu(qobject_cast<QLineEdit*>(f["Text1"])->createStandardContextMenu());
    QString texts;  // without the shortcuts after a tab; separators are empty
    for (const QAction* action : menu->actions())
      texts += action->text().section(u'\t', 0, 0) + "|";
    QCOMPARE(texts, "Ann&ulla|&Rifai||&Taglia|&Copia|&Incolla|Elimina||Seleziona tutto|");
  }

  void pressCopiesWithTheTextsAsTypedKeysInTheBoxesPressNothingCloseOrFailureEndsIt() {
    // Text1 and Text2, typed after "0", Return, Escape and keypad Enter; then
    // on the focused button a click ("") or that key, or the window closed;
    // the status, the title at the end, the report, the copies.
    const QString kFailure =
        "Form1 / Errore: Impossibile copiare \"foto_01.jpg\" in \"Modificati/<b>"
        "città</b>_01.jpg\": il nuovo nome contiene un separatore di cartelle.";
    const std::tuple<QString, QString, QString, QStringList> rows[] = {
        {"01", "02", "", {"0", "Form1 - 100%", "città 02.txt", "foto_02.jpg"}},
        {" 01", " uno ", "Return", {"0", "Form1 - 100%", "città uno .txt"}},
        {"città", "paëse", "Num+Enter", {"0", "Form1 - 100%", "paëse 01.txt"}},
        {"01", "02", "close", {"0", "Form1"}},
        {"foto", "<b>città</b>", "", {"1", "Form1", kFailure}}};
    for (const auto& [search, replacement, key, expected] : rows) {
      Shown f;
      QCOMPARE(f.runUntilFinished([&] {
        for (const char* box : {"Text1", "Text2"})
          QTest::keySequence(f[box], QKeySequence("0, Return, Esc, Num+Enter"));
        f["Text1"]->setProperty("text", search);  // typed, Qt's keyboard knows only ASCII
        f["Text2"]->setProperty("text", replacement);
        if (key == "close") return static_cast<void>(f.window.close());
        f["Command1"]->setFocus();
        if (key.isEmpty()) QTest::mouseClick(f["Command1"], Qt::LeftButton);
        QTest::keySequence(f["Command1"], QKeySequence(key));
        // Greyed once pressed, till the end: the texts stay as read.
        for (const char* name : {"Text1", "Text2", "Command1"}) QVERIFY(!f[name]->isEnabled());
      }),
               expected);
    }
  }
};

}  // namespace rinomina

QTEST_MAIN(rinomina::Form1WindowTest)
#include "form1_window_test.moc"
