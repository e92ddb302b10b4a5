#include "failure_report.hpp"

#include <QMessageBox>

namespace rinomina {

void ShowFailureReport(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Errore"), message, QMessageBox::Ok,
                  parent);
  box.setTextFormat(Qt::PlainText);  // file names are shown as they are, never as markup
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

QString UnexpectedFailureText(const QString& detail) {
  QString text = QStringLiteral("Errore imprevisto durante la copia dei file.");
  if (!detail.isEmpty()) text += QChar(u'\n') + detail;
  return text;
}

}  // namespace rinomina
