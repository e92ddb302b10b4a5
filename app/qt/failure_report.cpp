#include "failure_report.hpp"

#include <QMessageBox>
#include <QStringView>

#include "form1.hpp"

namespace rinomina {

void ShowFailureReport(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, QStringView(form1::kFailureTitle).toString(), message,
                  QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);  // file names are shown as they are, never as markup
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

QString UnexpectedFailureText(const QString& detail) {
  QString text = QStringView(form1::kUnexpectedFailure).toString();
  if (!detail.isEmpty()) text += QChar(u'\n') + detail;
  return text;
}

}  // namespace rinomina
