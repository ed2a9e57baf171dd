#include "gui/common/grid_view.h"

#include "gui/common/ui_font.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

namespace orq::gui {
namespace {

// Ctrl+C on a table: its selected cells to the clipboard. The table's own copy takes the
// current cell alone, so the key is taken before the table sees it.
class CopyKeyFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress ||
            !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
            return false;
        const auto* view = qobject_cast<const QTableView*>(watched);
        if (view == nullptr) return false;
        const QString text = SelectedCellsText(view);
        if (!text.isEmpty()) QApplication::clipboard()->setText(text);
        return true;
    }
};

QString CopyCell(QString text) {
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))) return text;
    text.remove(QLatin1Char('\r'));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

void ConfigureGridView(QTableView* view, int headerHeight, int rowHeight, bool selectable) {
    view->setFont(UiFont());
    view->setShowGrid(true);
    view->setWordWrap(true);
    view->setCornerButtonEnabled(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    if (selectable) {
        view->setSelectionMode(QAbstractItemView::ContiguousSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectItems);
        view->installEventFilter(new CopyKeyFilter(view));
    } else {
        view->setSelectionMode(QAbstractItemView::NoSelection);
        view->setFocusPolicy(Qt::NoFocus);
    }

    QHeaderView* rows = view->verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(rowHeight);

    QHeaderView* columns = view->horizontalHeader();
    columns->setFont(UiBoldFont());
    columns->setMinimumSectionSize(1);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    columns->setSectionsClickable(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setFixedHeight(headerHeight);
}

QString SelectedCellsText(const QTableView* view) {
    const QAbstractItemModel* model = view->model();
    const QItemSelectionModel* selection = view->selectionModel();
    if (model == nullptr || selection == nullptr) return {};
    const QModelIndexList selected = selection->selectedIndexes();
    if (selected.isEmpty()) return {};
    int top = selected.front().row();
    int bottom = top;
    int left = selected.front().column();
    int right = left;
    for (const QModelIndex& index : selected) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
        left = std::min(left, index.column());
        right = std::max(right, index.column());
    }
    QString text;
    for (int row = top; row <= bottom; ++row) {
        QStringList cells;
        for (int column = left; column <= right; ++column) {
            if (view->isColumnHidden(column)) continue;
            const QModelIndex index = model->index(row, column);
            cells.append(selection->isSelected(index) ? CopyCell(index.data().toString())
                                                      : QString());
        }
        text += cells.join(QLatin1Char('\t'));
        text += QLatin1String("\r\n");
    }
    return text;
}

void ShowFirstCell(QTableView* view) {
    QAbstractItemModel* model = view->model();
    if (model != nullptr && model->rowCount() > 0 && view->selectionModel() != nullptr) {
        int column = 0;
        while (column < model->columnCount() && view->isColumnHidden(column))
            ++column;
        if (column < model->columnCount())
            view->selectionModel()->setCurrentIndex(model->index(0, column),
                                                    QItemSelectionModel::NoUpdate);
    }
    view->scrollToTop();
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->minimum());
}

void CentreOnDesktop(QWidget* window) {
    QScreen* screen =
        window->screen() != nullptr ? window->screen() : QApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace orq::gui
