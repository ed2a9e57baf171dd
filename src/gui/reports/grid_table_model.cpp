#include "gui/reports/grid_table_model.h"

#include "gui/common/grid_view.h"
#include "gui/common/ui_font.h"

namespace orq::gui {

namespace {

int Alignment(const reports::TReportTable& table) {
    int flags = 0;
    switch (table.HorzAlign) {
    case reports::THorzAlign::Left:
        flags |= Qt::AlignLeft;
        break;
    case reports::THorzAlign::Center:
        flags |= Qt::AlignHCenter;
        break;
    case reports::THorzAlign::Right:
        flags |= Qt::AlignRight;
        break;
    }
    switch (table.VertAlign) {
    case reports::TVertAlign::Top:
        flags |= Qt::AlignTop;
        break;
    case reports::TVertAlign::Center:
        flags |= Qt::AlignVCenter;
        break;
    case reports::TVertAlign::Bottom:
        flags |= Qt::AlignBottom;
        break;
    }
    return flags;
}

QFont StyledFont(const QFont& base, std::uint8_t style) {
    QFont font = base;
    font.setBold((style & reports::kBold) != 0);
    font.setItalic((style & reports::kItalic) != 0);
    font.setUnderline((style & reports::kUnderline) != 0);
    font.setStrikeOut((style & reports::kStrikeOut) != 0);
    return font;
}

} // namespace

GridTableModel::GridTableModel(const reports::TReportTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(&table), regular_(UiFont()), bold_(UiBoldFont()),
      alignment_(Alignment(table)) {}

int GridTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_->DataRowCount());
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_->ColumnCount());
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    if (row >= table_->Rows.size() || column >= table_->Rows[row].size()) return {};
    const reports::TReportCell& cell = table_->Rows[row][column];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(cell.Text);
    case Qt::BackgroundRole:
        if (cell.Background) return ToQColor(*cell.Background);
        return {};
    case Qt::ForegroundRole:
        if (cell.FontColor) return ToQColor(*cell.FontColor);
        return {};
    case Qt::FontRole:
        return cell.FontStyle == reports::kRegular ? regular_
                                                   : StyledFont(regular_, cell.FontStyle);
    case Qt::TextAlignmentRole:
        return alignment_;
    default:
        return {};
    }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        static_cast<std::size_t>(section) >= table_->ColumnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(table_->Columns[static_cast<std::size_t>(section)].Header);
    case Qt::FontRole:
        return bold_;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

void GridTableModel::Reset() {
    beginResetModel();
    alignment_ = Alignment(*table_);
    endResetModel();
}

void GridTableModel::ReorderRows(const std::function<reports::TRowOrder()>& sort) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    reports::TRowOrder order;
    try {
        order = sort();
    } catch (...) {
        // The sort failed before it moved a row: the layout is as it was.
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        throw;
    }
    if (order.size() == static_cast<std::size_t>(rowCount())) {
        std::vector<int> newRow(order.size());
        for (std::size_t row = 0; row < order.size(); ++row)
            newRow[order[row]] = static_cast<int>(row);
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& old : before)
            after.append(index(newRow[static_cast<std::size_t>(old.row())], old.column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace orq::gui
