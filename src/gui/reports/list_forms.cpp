#include "gui/reports/list_forms.h"

#include "gui/common/dialogs.h"
#include "gui/common/error_display.h"
#include "gui/common/grid_view.h"
#include "gui/common/ui_font.h"
#include "gui/reports/grid_table_model.h"
#include "gui/reports/table_printer.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>

namespace orq::gui {

TListForm::TListForm(TOrqState& state, const char* objectName, const char* gridName,
                     const QString& caption, QWidget* parent)
    : QDialog(parent), state_(state) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(caption);
    setFont(UiFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(426, 330);
    setModal(true);

    grid_ = new QTableView(this);
    grid_->setObjectName(QLatin1String(gridName));
    grid_->setGeometry(8, 8, 410, 250);
    ConfigureGridView(grid_, 35, 18, true);

    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(80, 272, 75, 25);
    Button2 = new QPushButton(QStringLiteral("&Print"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(176, 272, 75, 25);
    Button3 = new QPushButton(QStringLiteral("&Copy"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(272, 272, 75, 25);
    for (QPushButton* button : {Button1, Button2, Button3})
        button->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TListForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TListForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TListForm::Button3Click);

    setTabOrder(grid_, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
}

void TListForm::Attach(const reports::TReportTable& table) {
    table_ = &table;
    model_ = new GridTableModel(table, this);
    grid_->setModel(model_);
    Render();
}

void TListForm::Detach() {
    grid_->setModel(nullptr);
    delete model_;
    model_ = nullptr;
    table_ = nullptr;
}

void TListForm::Render() {
    model_->Reset();
    const reports::TReportTable& table = *table_;
    grid_->verticalHeader()->setDefaultSectionSize(table.RowHeight);
    grid_->horizontalHeader()->setFixedHeight(table.HeaderRowHeight);
    for (std::size_t c = 0; c < table.ColumnCount(); ++c) {
        grid_->setColumnWidth(static_cast<int>(c), table.Columns[c].Width);
        grid_->setColumnHidden(static_cast<int>(c), table.Columns[c].Hidden);
    }
}

bool TListForm::Build() {
    const bool built = RunCommand(this, [&] { BuildList(); });
    Render();
    ShowFirstCell(grid_);
    return built;
}

void TListForm::BuildAndShow() {
    if (!Build()) return;
    grid_->setFocus();
    exec();
}

void TListForm::Button1Click() {
    accept();
}

void TListForm::PrintTo(QPrinter& printer) {
    printer.setPageOrientation(QPageLayout::Portrait);
    TablePrintSettings settings;
    settings.ScreenSizes = false;
    PaintTable(printer, *table_, settings);
}

void TListForm::Button2Click() {
    RunCommand(this, [&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setDocName(windowTitle());
        if (!CurrentDialogs().SetUpPrinter(this, printer)) return;
        PrintTo(printer);
    });
}

void TListForm::Button3Click() {
    // The data rows are selected, then the whole table goes to the clipboard.
    const int rows = model_->rowCount();
    const int columns = model_->columnCount();
    if (rows > 0 && columns > 0) {
        grid_->selectionModel()->select(
            QItemSelection(model_->index(0, 0), model_->index(rows - 1, columns - 1)),
            QItemSelectionModel::ClearAndSelect);
    }
    QApplication::clipboard()->setText(Q(reports::CopyText(*table_)));
}

TPastForm::TPastForm(TOrqState& state, QWidget* parent)
    : TListForm(state, "PastForm", "PastGrid", QStringLiteral("Past Due Actions"), parent) {
    Attach(list_.PastGrid);
}

void TPastForm::BuildList() {
    reports::BuildPastDueList(state_, list_);
}

TBrokenForm::TBrokenForm(TOrqState& state, QWidget* parent)
    : TListForm(state, "BrokenForm", "BrokenGrid", QStringLiteral("Broken appointments"), parent) {
    Attach(list_.BrokenGrid);
}

void TBrokenForm::BuildList() {
    reports::BuildBrokenList(state_, list_);
}

} // namespace orq::gui
