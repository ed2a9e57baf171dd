#pragma once

#include "reports/report_table.h"

#include <QString>

class QPagedPaintDevice;

namespace orq::gui {

// How a table goes onto paper.
struct TablePrintSettings {
    // The title printed centred at the top of every page in the 14-point header font; its
    // trailing carriage returns become blank lines under it. Empty: no title.
    QString Title;
    // Column widths and row heights: true takes the table's own (the report table, as on
    // screen); false computes them from the widest printed text of each column and the lines
    // of each row (the past-due and broken lists).
    bool ScreenSizes = true;
};

// Paints the table onto `device` page by page, at its natural size (96 table pixels to the
// inch), centred horizontally, the header row once at the top of the first page, hidden
// columns left out. Rows that do not fit continue on the next page; columns wider than the
// page continue on further pages. The device's page orientation is the caller's. Returns the
// number of pages painted.
int PaintTable(QPagedPaintDevice& device, const reports::TReportTable& table,
               const TablePrintSettings& settings);

} // namespace orq::gui
