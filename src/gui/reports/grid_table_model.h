#pragma once

#include "reports/report_sort.h"
#include "reports/report_table.h"

#include <QAbstractTableModel>
#include <QFont>

#include <functional>

namespace orq::gui {

// A read-only Qt model over one of the core's grid tables (report, past-due, broken). The core
// owns the table and changes it; the window calls Reset() after every change. Model row r is
// grid row r + 1 (grid row 0 is the header, given as header data); model columns are the
// stored columns, hidden ones included (the view hides them).
class GridTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridTableModel(const reports::TReportTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The core table changed shape or contents.
    void Reset();
    // Runs `sort`, which reorders the core table's rows and returns where each row came from.
    // The views are told before the rows move and after; the selection, the current cell and
    // every other persistent index move with their rows.
    void ReorderRows(const std::function<reports::TRowOrder()>& sort);

    const reports::TReportTable& Table() const { return *table_; }

private:
    const reports::TReportTable* table_;
    QFont regular_;
    QFont bold_;
    int alignment_ = 0;
};

} // namespace orq::gui
