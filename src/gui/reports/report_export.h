#pragma once

#include "reports/report_table.h"

#include <QString>

class QWidget;

namespace orq::gui {

// "&Save to XLS" after its dialog: writes the report table to `fileName` as an .xls workbook.
// An existing file is replaced only after the question "File %s already exists\rOk to overwrite
// ?" (title "Confirm", Yes and No) is answered Yes; No ends the export silently. The cells take
// the colours the table shows on this desktop. Failures are orq::Error.
void ExportReportTable(QWidget* parent, const reports::TReportTable& table,
                       const QString& fileName);

} // namespace orq::gui
