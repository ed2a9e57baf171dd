#include "gui/common/grid_view.h"

#include "gui/common/ui_font.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>

namespace orq::gui {

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

void CentreOnDesktop(QWidget* window) {
    QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace orq::gui
