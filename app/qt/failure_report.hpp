// The program's report of a failed pass: a modal error box in Italian with an
// OK button, shown until the user dismisses it.
#pragma once

#include <QString>

class QWidget;

namespace rinomina {

// Blocks until the user has dismissed the box.
void ShowFailureReport(QWidget* parent, const QString& message);

// The report's text for a failure other than CopyPassError; `detail` may be empty.
QString UnexpectedFailureText(const QString& detail);

}  // namespace rinomina
