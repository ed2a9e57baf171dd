#pragma once

#include <QHeaderView>

class QTableView;

namespace orq::gui {

// The column header of a sortable table. The sort mark is a small arrow at the top centre of the
// sorted column's header, above its caption, so that a narrow column keeps its whole caption
// ("RSID" in a 34-pixel column). Captions are drawn with a 2-pixel margin and are never elided;
// clicking a header selects nothing.
class SortHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit SortHeaderView(QWidget* parent = nullptr);

    // Marks `column` as sorted (ascending or descending); -1 shows no mark.
    void SetSortMark(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int sortColumn_ = -1;
    bool ascending_ = true;
};

// Installs a SortHeaderView as the horizontal header of `view` and stops header clicks from
// selecting the column: the table's selection and the colours under it stay as they were.
SortHeaderView* InstallSortHeader(QTableView* view);

} // namespace orq::gui
