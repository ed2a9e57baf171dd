#include "gui/reports/print_form.h"

#include "gui/common/dialogs.h"
#include "gui/common/error_display.h"
#include "gui/common/grid_view.h"
#include "gui/common/preferences.h"
#include "gui/common/sort_header.h"
#include "gui/common/ui_font.h"
#include "gui/reports/grid_table_model.h"
#include "gui/reports/report_export.h"
#include "gui/reports/table_printer.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <array>
#include <memory>

namespace orq::gui {
namespace {

constexpr int kClientWidth = 851;
constexpr int kClientHeight = 489;
constexpr int kMinWidth = 760;
constexpr int kMinHeight = 382;
constexpr int kComboHeight = 21;

QLabel* CaptionLabel(const QString& text, QComboBox* combo, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->move(combo->x(), combo->y() - label->sizeHint().height() - 1);
    label->adjustSize();
    label->setBuddy(combo);
    return label;
}

} // namespace

TPrintForm::TPrintForm(TOrqState& state, Preferences& preferences, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), preferences_(preferences) {
    setObjectName(QStringLiteral("PrintForm"));
    setFont(UiFont());
    resize(kClientWidth, kClientHeight);
    setMinimumSize(kMinWidth, kMinHeight);

    window_.TextWidth = TextWidth();

    auto makeCombo = [this](const char* name, int left, int width,
                            void (TPrintForm::*handler)(int)) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QLatin1String(name));
        combo->setGeometry(left, 21, width, kComboHeight);
        combo->setMaxVisibleItems(20);
        connect(combo, &QComboBox::activated, this, handler);
        return combo;
    };
    RSIDGridCombo = makeCombo("RSIDGridCombo", 8, 73, &TPrintForm::RSIDGridComboChange);
    RctrGridCombo = makeCombo("RctrGridCombo", 87, 145, &TPrintForm::RctrGridComboChange);
    EdCombo = makeCombo("EdCombo", 238, 99, &TPrintForm::EdComboChange);
    CompCombo = makeCombo("CompCombo", 343, 82, &TPrintForm::CompComboChange);
    // A box with no item chosen shows "ALL".
    for (QComboBox* combo : {RSIDGridCombo, RctrGridCombo, EdCombo, CompCombo})
        combo->setPlaceholderText(QStringLiteral("ALL"));
    RSIDLabel = CaptionLabel(QStringLiteral("RSID"), RSIDGridCombo, this);
    RctrLabel = CaptionLabel(QStringLiteral("Recruiter"), RctrGridCombo, this);
    EdLabel = CaptionLabel(QStringLiteral("Grad/Senior"), EdCombo, this);
    CompLabel = CaptionLabel(QStringLiteral("Component"), CompCombo, this);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(520, 8);

    model_ = new GridTableModel(window_.PrintGrid, this);
    PrintGrid = new QTableView(this);
    PrintGrid->setObjectName(QStringLiteral("PrintGrid"));
    PrintGrid->setModel(model_);
    header_ = InstallSortHeader(PrintGrid);
    ConfigureGridView(PrintGrid, window_.PrintGrid.HeaderRowHeight, window_.PrintGrid.RowHeight,
                      true);
    header_->setSectionResizeMode(QHeaderView::Fixed);
    header_->setSectionsClickable(true);
    connect(header_, &QHeaderView::sectionClicked, this, &TPrintForm::HeaderClick);

    CheckBox1 = new QCheckBox(QStringLiteral("Hide Terminated"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    connect(CheckBox1, &QCheckBox::clicked, this, &TPrintForm::CheckBox1Click);
    CheckBox2 = new QCheckBox(QStringLiteral("Hide Rescheduled"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    connect(CheckBox2, &QCheckBox::clicked, this, &TPrintForm::CheckBox2Click);

    Button1 = new QPushButton(QStringLiteral("&Print"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TPrintForm::Button1Click);
    Button2 = new QPushButton(QStringLiteral("&Save to XLS"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    connect(Button2, &QPushButton::clicked, this, &TPrintForm::Button2Click);

    // The standard keys of the two buttons, from any control of the window.
    auto* print = new QAction(this);
    print->setObjectName(QStringLiteral("PrintAction"));
    print->setShortcut(QKeySequence::Print);
    connect(print, &QAction::triggered, this, &TPrintForm::Button1Click);
    auto* save = new QAction(this);
    save->setObjectName(QStringLiteral("SaveAction"));
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, &TPrintForm::Button2Click);
    addActions({print, save});

    QWidget* previous = nullptr;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{RSIDGridCombo, RctrGridCombo, EdCombo, CompCombo,
                                         PrintGrid, CheckBox1, CheckBox2, Button1, Button2}) {
        if (previous != nullptr) setTabOrder(previous, widget);
        previous = widget;
    }

    LayOut();
    Render();
}

reports::TTextWidth TPrintForm::TextWidth() {
    // Printable ASCII is measured from a table of character advances (a report sizes column 2
    // over every row, up to 65,535 of them); other text goes through the font's own layout.
    struct Advances {
        QFontMetrics metrics;
        std::array<int, 128> ascii{};
        explicit Advances(const QFont& font) : metrics(font) {
            for (int c = 0x20; c < 0x7F; ++c)
                ascii[static_cast<std::size_t>(c)] = metrics.horizontalAdvance(QChar(c));
        }
        int Line(std::string_view line) const {
            int width = 0;
            for (const char ch : line) {
                const auto c = static_cast<unsigned char>(ch);
                if (c < 0x20 || c >= 0x7F)
                    return metrics.horizontalAdvance(
                        QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
                width += ascii[c];
            }
            return width;
        }
    };
    auto regular = std::make_shared<const Advances>(UiFont());
    auto bold = std::make_shared<const Advances>(UiBoldFont());
    return [regular, bold](std::string_view text, bool isBold) {
        const Advances& advances = isBold ? *bold : *regular;
        int widest = 0;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = text.size();
            widest = std::max(widest, advances.Line(text.substr(start, end - start)));
            start = end + 1;
        }
        return widest;
    };
}

TPrintForm::~TPrintForm() {
    // The table model reads window_, which goes before the base class hides the children.
    PrintGrid->setModel(nullptr);
    delete model_;
}

void TPrintForm::keyPressEvent(QKeyEvent* event) {
    // Esc closes the window from any of its controls: none of them uses the key itself.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TPrintForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownBefore_) {
        shownBefore_ = true;
        CentreOnDesktop(this);
    }
}

void TPrintForm::resizeEvent(QResizeEvent* event) {
    LayOut();
    QWidget::resizeEvent(event);
}

void TPrintForm::LayOut() {
    // The table follows all four edges; the check boxes and buttons follow the bottom edge.
    const int w = width();
    const int h = height();
    PrintGrid->setGeometry(8, 48, w - 8 + (844 - kClientWidth + 8), h - 48 - 39);
    const int bottomRow = h - (kClientHeight - 456);
    CheckBox1->setGeometry(8, bottomRow, std::max(97, CheckBox1->sizeHint().width()), 17);
    CheckBox2->setGeometry(135, bottomRow, std::max(114, CheckBox2->sizeHint().width()), 17);
    Button1->setGeometry(330, bottomRow, 75, 25);
    Button2->setGeometry(458, bottomRow, 75, 25);
}

void TPrintForm::RenderFilter(QComboBox* combo, const TComboState& state) {
    const QSignalBlocker block(combo);
    bool same = combo->count() == static_cast<int>(state.Items.size());
    for (int i = 0; same && i < combo->count(); ++i)
        same = combo->itemText(i) == Q(state.Items[static_cast<std::size_t>(i)]);
    if (!same) {
        combo->clear();
        QStringList items;
        items.reserve(static_cast<qsizetype>(state.Items.size()));
        for (const std::string& item : state.Items)
            items.append(Q(item));
        combo->addItems(items);
    }
    combo->setCurrentIndex(state.ItemIndex < combo->count() ? state.ItemIndex : -1);
    combo->setEnabled(state.Enabled);
}

void TPrintForm::Render() {
    rendering_ = true;
    setWindowTitle(Q(window_.Caption));
    RenderFilter(RSIDGridCombo, window_.RSIDGridCombo);
    RenderFilter(RctrGridCombo, window_.RctrGridCombo);
    RenderFilter(EdCombo, window_.EdCombo);
    RenderFilter(CompCombo, window_.CompCombo);
    CheckBox1->setChecked(window_.CheckBox1);
    CheckBox2->setChecked(window_.CheckBox2);
    CheckBox2->setVisible(window_.CheckBox2Visible);
    Label1->setText(Q(window_.Label1));
    Label1->adjustSize();

    const reports::TReportTable& table = window_.PrintGrid;
    model_->Reset();
    PrintGrid->verticalHeader()->setDefaultSectionSize(table.RowHeight);
    PrintGrid->horizontalHeader()->setFixedHeight(table.HeaderRowHeight);
    PrintGrid->setWordWrap(table.WordWrap);
    for (std::size_t c = 0; c < table.ColumnCount(); ++c) {
        const int column = static_cast<int>(c);
        PrintGrid->setColumnWidth(column, table.Columns[c].Width);
        PrintGrid->setColumnHidden(column, table.Columns[c].Hidden);
    }
    header_->SetSortMark(table.SortColumn, table.SortAscending);
    rendering_ = false;
}

void TPrintForm::Rebuild(const std::function<reports::TBuildResult()>& build) {
    reports::TBuildResult result;
    const bool tableHadFocus = PrintGrid->hasFocus();
    RunCommand(this, [&] { result = build(); });
    Render();
    // A new report starts at its first row and first column, whatever was scrolled to before.
    ShowFirstCell(PrintGrid);
    if (!result.RowError.empty())
        CurrentDialogs().Critical(this, QStringLiteral("ORQ"), WithLineBreaks(result.RowError));
    if (result.Shown) {
        show();
        raise();
        activateWindow();
        if (tableHadFocus || PrintGrid->hasFocus()) {
            if (result.FocusFromTable == reports::TReportFocus::StationFilter)
                RSIDGridCombo->setFocus();
            else if (result.FocusFromTable == reports::TReportFocus::RecruiterFilter)
                RctrGridCombo->setFocus();
        }
    }
}

void TPrintForm::StartReport(int type) {
    Rebuild([&] {
        return reports::ReportButtonClick(state_, window_, static_cast<std::int8_t>(type));
    });
}

void TPrintForm::ResetFilters() {
    reports::ForgetFilterLists(window_);
    Render();
}

void TPrintForm::RSIDGridComboChange(int index) {
    if (rendering_) return;
    Rebuild([&] { return reports::RSIDGridComboChange(state_, window_, index); });
}

void TPrintForm::RctrGridComboChange(int index) {
    if (rendering_) return;
    Rebuild([&] { return reports::RctrGridComboChange(state_, window_, index); });
}

void TPrintForm::EdComboChange(int index) {
    if (rendering_) return;
    Rebuild([&] { return reports::EdComboChange(state_, window_, index); });
}

void TPrintForm::CompComboChange(int index) {
    if (rendering_) return;
    Rebuild([&] { return reports::CompComboChange(state_, window_, index); });
}

void TPrintForm::CheckBox1Click(bool checked) {
    if (rendering_) return;
    Rebuild([&] { return reports::CheckBox1Click(state_, window_, checked); });
}

void TPrintForm::CheckBox2Click(bool checked) {
    if (rendering_) return;
    Rebuild([&] { return reports::CheckBox2Click(state_, window_, checked); });
}

void TPrintForm::HeaderClick(int column) {
    if (column < 0) return;
    RunCommand(this, [&] {
        model_->ReorderRows([&] {
            return reports::HeaderClick(state_, window_, static_cast<std::size_t>(column));
        });
    });
    header_->SetSortMark(window_.PrintGrid.SortColumn, window_.PrintGrid.SortAscending);
}

void TPrintForm::PrintTo(QPrinter& printer) {
    reports::PreparePrint(state_, window_);
    printer.setPageOrientation(QPageLayout::Landscape);
    TablePrintSettings settings;
    settings.Title = Q(window_.PrintGrid.PrintTitle);
    settings.ScreenSizes = true;
    PaintTable(printer, window_.PrintGrid, settings);
}

void TPrintForm::Button1Click() {
    RunCommand(this, [&] {
        reports::PreparePrint(state_, window_);
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setDocName(Q(window_.Caption));
        if (!CurrentDialogs().SetUpPrinter(this, printer)) return;
        PrintTo(printer);
    });
}

QString TPrintForm::SuggestedSaveFile() const {
    return QDir(preferences_.SaveFolder())
        .filePath(Q(reports::SuggestedFileName(window_, state_.Today)));
}

void TPrintForm::Button2Click() {
    const QString chosen = CurrentDialogs().SaveFileName(this, SuggestedSaveFile(),
                                                         QStringLiteral("Excel Files (*.xls)"));
    if (chosen.isEmpty()) return;
    // A bare name gets the ".xls" ending; the overwrite question asks about the final name.
    const QString fileName = Q(reports::WithXlsExtension(S(chosen)));
    preferences_.SetSaveFolder(QFileInfo(fileName).absolutePath());
    SaveTo(fileName);
}

void TPrintForm::SaveTo(const QString& fileName) {
    RunCommand(this, [&] { ExportReportTable(this, window_.PrintGrid, fileName); });
}

void TPrintForm::closeEvent(QCloseEvent* event) {
    reports::FormClose(state_, window_);
    Render();
    event->accept();
}

} // namespace orq::gui
