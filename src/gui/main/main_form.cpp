#include "gui/main/main_form.h"

#include "domain/loader.h"
#include "domain/settings.h"
#include "gui/common/dialogs.h"
#include "gui/common/emblem.h"
#include "gui/common/error_display.h"
#include "gui/common/grid_view.h"
#include "gui/common/preferences.h"
#include "gui/common/ui_font.h"
#include "gui/common/wrap_button.h"
#include "gui/history/history_menu.h"
#include "gui/main/about_form.h"
#include "gui/main/settings_form.h"
#include "gui/reports/list_forms.h"
#include "gui/reports/print_form.h"
#include "orq_config.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QUrl>

namespace orq::gui {
namespace {

constexpr int kClientWidth = 454;
constexpr int kClientHeight = 571;
constexpr int kComboHeight = 21;

Qt::Alignment CellAlignment(TAlign align) {
    switch (align) {
    case TAlign::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case TAlign::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case TAlign::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// What a dropped file may be (the readers go by the content: an .xlsx named .xls opens too).
bool IsListFile(const QUrl& url) {
    return url.isLocalFile() && IsListFileName(S(url.toLocalFile()));
}

// An Open Recent entry: the access number and the path, shortened in the middle when long.
QString RecentCaption(int index, const QString& file, const QFontMetrics& metrics) {
    QString path = QDir::toNativeSeparators(file);
    path = metrics.elidedText(path, Qt::ElideMiddle, 420);
    path.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(path);
}

} // namespace

TMainForm::TMainForm(StartupOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)),
      preferences_(std::make_unique<Preferences>(options_.PreferencesPath)) {
    // FormCreate: the process-wide values, the settings and the EstButton caption.
    if (options_.SettingsPath.empty()) options_.SettingsPath = kSettingsFileName;
    state_.Format = options_.Format;
    state_.Today = options_.Today;
    state_.ReferenceDate = options_.Today;
    if (options_.Collation) state_.SetCollation(options_.Collation);
    ReadSettings(options_.SettingsPath, state_);
    InitMainView(view_, state_);
    view_.RunSettingsDialog = [this](const std::vector<std::string>& names) {
        Render();
        if (settingsForm_ != nullptr) settingsForm_->Run(names);
    };
    view_.ResetReportFilters = [this] {
        if (printForm_ != nullptr) printForm_->ResetFilters();
    };

    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("ORQ  %1").arg(QLatin1String(config::kVersion)));
    setWindowIcon(QIcon(OrqEmblem(64)));
    setFont(UiFont());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setAcceptDrops(true);
    BuildMenu();
    BuildLayout();
    // A single fixed border: the window takes the size of its menu and client area and keeps
    // it (no resizing, no maximising).
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    Render();
}

TMainForm::~TMainForm() = default;

void TMainForm::SetWindows(TPrintForm* printForm, TAboutForm* aboutForm, TBrokenForm* brokenForm,
                           TSettingsForm* settingsForm, TPastForm* pastForm) {
    printForm_ = printForm;
    aboutForm_ = aboutForm;
    brokenForm_ = brokenForm;
    settingsForm_ = settingsForm;
    pastForm_ = pastForm;
}

void TMainForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setFont(UiFont());
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    Open1 = file->addAction(QStringLiteral("&Open"), this, &TMainForm::Open1Click);
    Open1->setObjectName(QStringLiteral("Open1"));
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    OpenRecent1 = file->addMenu(QStringLiteral("Open &Recent"));
    OpenRecent1->setObjectName(QStringLiteral("OpenRecent1"));
    connect(OpenRecent1, &QMenu::aboutToShow, this, &TMainForm::FillRecentMenu);
    FillRecentMenu();
    file->addSeparator();
    Exit1 = file->addAction(QStringLiteral("E&xit"), this, &TMainForm::Exit1Click);
    Exit1->setObjectName(QStringLiteral("Exit1"));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* settings = bar->addMenu(QStringLiteral("&Settings"));
    settings->setObjectName(QStringLiteral("Settings1"));
    ResetARRctrs1 = settings->addAction(QStringLiteral("&Reset USAR / EST"), this,
                                        &TMainForm::ResetARRctrs1Click);
    ResetARRctrs1->setObjectName(QStringLiteral("ResetARRctrs1"));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    About1 = help->addAction(QStringLiteral("About"), this, &TMainForm::About1Click);
    About1->setObjectName(QStringLiteral("About1"));

    THistoryMenu::Options history;
    history.HistoryPath = options_.HistoryPath;
    history.Prefs = preferences_.get();
    history.MakeImport = options_.MakeImport;
    history.Format = options_.Format;
    history.Today = options_.Today;
    history.Collation = options_.Collation;
    history.ShowStatus = [this](const QString& text) { statusBar()->showMessage(text); };
    history_ = new THistoryMenu(std::move(history), this);
    history_->AddTo(bar, help->menuAction());
}

void TMainForm::FillRecentMenu() {
    // Read anew each time: another ORQ window may have opened a list since.
    OpenRecent1->clear();
    const QStringList lists = preferences_->RecentLists();
    for (int i = 0; i < static_cast<int>(lists.size()); ++i) {
        QAction* entry = OpenRecent1->addAction(RecentCaption(i, lists[i], fontMetrics()));
        entry->setObjectName(QStringLiteral("RecentList%1").arg(i + 1));
        entry->setToolTip(QDir::toNativeSeparators(lists[i]));
        connect(entry, &QAction::triggered, this, [this, i] { OpenRecentClick(i); });
    }
    OpenRecent1->menuAction()->setEnabled(!lists.isEmpty());
}

void TMainForm::BuildLayout() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    struct ButtonSpec {
        WrapButton** slot;
        const char* name;
        const char* caption;
        const char* hint;
        QRect geometry;
        void (TMainForm::*handler)();
    };
    const ButtonSpec buttons[] = {
        {&AllButton,
         "AllButton",
         "&All Apps",
         "shows all applicants",
         {16, 8, 63, 41},
         &TMainForm::AllButtonClick},
        {&TodayButton,
         "TodayButton",
         "Todays &Conducts",
         "shows today's conducts",
         {89, 8, 63, 41},
         &TMainForm::TodayButtonClick},
        {&YesterDayButton,
         "YesterDayButton",
         "&Yesterday's Actions",
         "shows all yesterday's actions",
         {159, 8, 72, 41},
         &TMainForm::YesterDayButtonClick},
        {&TomorButton,
         "TomorButton",
         "&48 Hr Conducts",
         "shows tomorrow",
         {238, 8, 63, 41},
         &TMainForm::TomorButtonClick},
        {&TwoButton,
         "TwoButton",
         "&72 Hr Conducts",
         "shows 2 days out",
         {307, 8, 63, 41},
         &TMainForm::TwoButtonClick},
        {&NoShowButton,
         "NoShowButton",
         "&No Show Appts",
         "list of no shows",
         {376, 8, 63, 41},
         &TMainForm::NoShowButtonClick},
        {&EstButton,
         "EstButton",
         "",
         "potential alpha's",
         {168, 55, 63, 41},
         &TMainForm::EstButtonClick},
        {&TestButton,
         "TestButton",
         "&Testers",
         nullptr,
         {237, 55, 64, 41},
         &TMainForm::TestButtonClick},
        {&BrokenButton,
         "BrokenButton",
         "&Broken Appts",
         "records built wrong, unapproved or other mistakes",
         {307, 55, 63, 41},
         &TMainForm::BrokenButtonClick},
        {&PastButton,
         "PastButton",
         "&Past Due",
         nullptr,
         {376, 55, 63, 41},
         &TMainForm::PastButtonClick},
    };
    for (const ButtonSpec& entry : buttons) {
        auto* button = new WrapButton(QString::fromUtf8(entry.caption), client);
        button->setObjectName(QLatin1String(entry.name));
        button->setGeometry(entry.geometry);
        button->setAutoDefault(false);
        if (entry.hint != nullptr) button->setToolTip(QString::fromUtf8(entry.hint));
        connect(button, &QPushButton::clicked, this, entry.handler);
        *entry.slot = button;
        reportButtons_.push_back(button);
    }
    EstButton->setText(Q(view_.EstButtonCaption));

    RsidCombo = new QComboBox(client);
    RsidCombo->setObjectName(QStringLiteral("RsidCombo"));
    RsidCombo->setGeometry(18, 55, 79, kComboHeight);
    connect(RsidCombo, &QComboBox::activated, this, &TMainForm::RsidComboChange);
    RctrCombo = new QComboBox(client);
    RctrCombo->setObjectName(QStringLiteral("RctrCombo"));
    RctrCombo->setGeometry(18, 82, 141, kComboHeight);
    RctrCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(RctrCombo, &QComboBox::activated, this, &TMainForm::RctrComboChange);

    // Tab order: the ten buttons in layout order, then the two selectors.
    QWidget* previous = nullptr;
    for (QWidget* widget :
         {static_cast<QWidget*>(AllButton), static_cast<QWidget*>(TodayButton),
          static_cast<QWidget*>(YesterDayButton), static_cast<QWidget*>(TomorButton),
          static_cast<QWidget*>(TwoButton), static_cast<QWidget*>(NoShowButton),
          static_cast<QWidget*>(EstButton), static_cast<QWidget*>(TestButton),
          static_cast<QWidget*>(BrokenButton), static_cast<QWidget*>(PastButton),
          static_cast<QWidget*>(RsidCombo), static_cast<QWidget*>(RctrCombo)}) {
        if (previous != nullptr) setTabOrder(previous, widget);
        previous = widget;
    }

    Panel1 = new QWidget(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 108, 438, 444);

    Label1 = new QLabel(QStringLiteral("PMS"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(12, 5);
    Label3 = new QLabel(QStringLiteral("Rctrs"), Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->move(288, 5);

    mathModel_ = new QStandardItemModel(this);
    MathGrid = new QTableView(Panel1);
    MathGrid->setObjectName(QStringLiteral("MathGrid"));
    MathGrid->setGeometry(12, 24, 417, 201);
    MathGrid->setModel(mathModel_);
    ConfigureGridView(MathGrid, 35, 18, false);

    Label2 = new QLabel(QStringLiteral("Pending Conducts"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(12, 231);

    condModel_ = new QStandardItemModel(this);
    CondGrid = new QTableView(Panel1);
    CondGrid->setObjectName(QStringLiteral("CondGrid"));
    CondGrid->setGeometry(12, 250, 204, 184);
    CondGrid->setModel(condModel_);
    ConfigureGridView(CondGrid, 35, 18, false);
    CondGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CondGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(270, 250, 105, 127);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(OrqEmblem(96));

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(222, 383, 206, 50);
    auto* credit = new QLabel(Panel2);
    credit->setObjectName(QStringLiteral("CreditLabel"));
    credit->setGeometry(4, 4, 198, 42);
    credit->setAlignment(Qt::AlignCenter);
    credit->setWordWrap(true);
    credit->setTextFormat(Qt::RichText);
    credit->setOpenExternalLinks(true);
    const QString email = QLatin1String(config::kSupportEmail);
    credit->setText(QStringLiteral("Questions and suggestions:<br><a href=\"mailto:%1\">%1</a>")
                        .arg(email.toHtmlEscaped()));

    for (QLabel* label : {Label1, Label2, Label3})
        label->adjustSize();
}

// ---------------------------------------------------------------------------------------------
// Rendering the main view state

void TMainForm::RenderCombo(QComboBox* combo, const TComboState& state) {
    const QSignalBlocker block(combo);
    combo->clear();
    QStringList items;
    items.reserve(static_cast<qsizetype>(state.Items.size()));
    for (const std::string& item : state.Items)
        items.append(Q(item));
    combo->addItems(items);
    combo->setCurrentIndex(state.ItemIndex < combo->count() ? state.ItemIndex : -1);
    combo->setEnabled(state.Enabled);
}

void TMainForm::RenderGrid(QTableView* view, QStandardItemModel* model, const TGrid& grid) {
    const int fixed = grid.FixedRows;
    const int dataRows = grid.RowCount() - fixed;
    model->clear();
    model->setColumnCount(grid.ColCount());
    model->setRowCount(dataRows > 0 ? dataRows : 0);
    const QFont regular = UiFont();
    const QFont bold = UiBoldFont();
    for (int col = 0; col < grid.ColCount(); ++col) {
        if (fixed > 0) {
            const TGridCell& cell = grid.Cell(col, 0);
            auto* item = new QStandardItem(WithLineBreaks(cell.Text));
            item->setTextAlignment(CellAlignment(cell.Align));
            item->setFont(bold);
            if (cell.FontColor) item->setForeground(ToQColor(*cell.FontColor));
            model->setHorizontalHeaderItem(col, item);
        }
        for (int row = fixed; row < grid.RowCount(); ++row) {
            const TGridCell& cell = grid.Cell(col, row);
            auto* item = new QStandardItem(WithLineBreaks(cell.Text));
            item->setEditable(false);
            item->setTextAlignment(CellAlignment(cell.Align));
            item->setFont(cell.Bold ? bold : regular);
            if (cell.FontColor) item->setForeground(ToQColor(*cell.FontColor));
            if (cell.Color) item->setBackground(ToQColor(*cell.Color));
            model->setItem(row - fixed, col, item);
        }
    }
    for (int col = 0; col < grid.ColCount(); ++col) {
        if (static_cast<std::size_t>(col) < grid.ColWidths.size())
            view->setColumnWidth(col, grid.ColWidths[static_cast<std::size_t>(col)]);
    }
    view->verticalHeader()->setDefaultSectionSize(grid.DefaultRowHeight);
    for (int row = 0; row < grid.RowCount(); ++row) {
        if (static_cast<std::size_t>(row) >= grid.RowHeights.size()) break;
        const int height = grid.RowHeights[static_cast<std::size_t>(row)];
        if (row < fixed)
            view->horizontalHeader()->setFixedHeight(height);
        else
            view->setRowHeight(row - fixed, height);
    }
}

void TMainForm::Render() {
    rendering_ = true;
    const bool enabled = view_.CommandsEnabled;
    for (WrapButton* button : reportButtons_)
        button->setEnabled(enabled);
    ResetARRctrs1->setEnabled(enabled);
    Panel2->setEnabled(enabled);
    EstButton->setText(Q(view_.EstButtonCaption));
    RenderCombo(RsidCombo, view_.RsidCombo);
    RenderCombo(RctrCombo, view_.RctrCombo);
    Label1->setText(Q(view_.Label1));
    Label3->setText(Q(view_.Label3));
    Label1->adjustSize();
    Label3->adjustSize();
    RenderGrid(MathGrid, mathModel_, view_.MathGrid);
    RenderGrid(CondGrid, condModel_, view_.CondGrid);
    Panel1->setVisible(view_.Panel1Visible);
    rendering_ = false;
}

// ---------------------------------------------------------------------------------------------
// Commands

bool TMainForm::OpenList(const QString& fileName, bool remember) {
    bool loaded = false;
    if (history_ != nullptr) history_->ListOpening(fileName);
    RunCommand(this, [&] {
        if (!import_) import_ = options_.MakeImport();
        // A file the reader rejects leaves the previous list loaded: the reader fails before the
        // loader touches the state.
        import_->OpenFile(S(fileName));
        import_->SetActiveSheet(1);
        try {
            const TLoadResult result = LoadAplRows(view_, state_, *import_);
            if (result.Outcome == TLoadResult::NoAppointments) {
                CurrentDialogs().Information(this, QStringLiteral("ORQ"), Q(result.Message));
                return;
            }
            loaded = true;
        } catch (const orq::Error& error) {
            Render();
            // The loader's own message box shows its fixed text as it is.
            if (error.what() == LoadFailureMessage()) {
                CurrentDialogs().Critical(this, QStringLiteral("ORQ"),
                                          WithLineBreaks(error.what()));
                return;
            }
            throw;
        }
    });
    Render();
    if (loaded && history_ != nullptr) history_->ListOpened(fileName, state_);
    if (loaded) {
        if (remember) {
            preferences_->AddRecentList(fileName);
            preferences_->SetOpenFolder(QFileInfo(fileName).absolutePath());
            FillRecentMenu();
        }
        if (view_.Focus == TMainFocus::RsidCombo) RsidCombo->setFocus();
        if (view_.Focus == TMainFocus::RctrCombo) RctrCombo->setFocus();
    }
    return loaded;
}

void TMainForm::Open1Click() {
    // The folder last opened from, else Downloads; the program's own folder would be a system
    // folder for an installed program.
    const QString fileName =
        CurrentDialogs().OpenFileName(this, preferences_->OpenFolder(), ListFilesFilter());
    if (fileName.isEmpty()) return;
    preferences_->SetOpenFolder(QFileInfo(fileName).absolutePath());
    OpenList(fileName);
}

void TMainForm::OpenRecentClick(int index) {
    const QStringList lists = preferences_->RecentLists();
    if (index < 0 || index >= static_cast<int>(lists.size())) return;
    const QString fileName = lists[index];
    if (!QFileInfo::exists(fileName)) {
        preferences_->RemoveRecentList(fileName);
        FillRecentMenu();
        CurrentDialogs().Information(
            this, QStringLiteral("ORQ"),
            QStringLiteral("%1 is no longer there; it was taken off Open Recent.")
                .arg(QDir::toNativeSeparators(fileName)));
        return;
    }
    OpenList(fileName);
}

void TMainForm::Exit1Click() {
    close();
}

void TMainForm::About1Click() {
    if (aboutForm_ == nullptr) return;
    aboutForm_->SetVersion(QStringLiteral("ORQ %1").arg(QLatin1String(config::kVersion)));
    aboutForm_->exec();
}

void TMainForm::ResetARRctrs1Click() {
    RunCommand(this, [&] { ResetARRctrs(view_, state_); });
    Render();
}

void TMainForm::RsidComboChange(int index) {
    if (rendering_) return;
    RunCommand(this, [&] { orq::RsidComboChange(view_, state_, index); });
    Render();
}

void TMainForm::RctrComboChange(int index) {
    if (rendering_) return;
    RunCommand(this, [&] { orq::RctrComboChange(view_, state_, index); });
    Render();
}

void TMainForm::StartReport(int reportType) {
    if (printForm_ != nullptr) printForm_->StartReport(reportType);
}

void TMainForm::AllButtonClick() {
    StartReport(4);
}
void TMainForm::TodayButtonClick() {
    StartReport(0);
}
void TMainForm::YesterDayButtonClick() {
    StartReport(-1);
}
void TMainForm::TomorButtonClick() {
    StartReport(1);
}
void TMainForm::TwoButtonClick() {
    StartReport(2);
}
void TMainForm::NoShowButtonClick() {
    StartReport(3);
}
void TMainForm::EstButtonClick() {
    StartReport(5);
}
void TMainForm::TestButtonClick() {
    StartReport(6);
}

void TMainForm::PastButtonClick() {
    if (pastForm_ != nullptr) pastForm_->BuildAndShow();
}

void TMainForm::BrokenButtonClick() {
    if (brokenForm_ != nullptr) brokenForm_->BuildAndShow();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownBefore_) {
        shownBefore_ = true;
        CentreOnDesktop(this);
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // FormClose: the applicant table goes, then the lists; the settings file is not written.
    state_.Appts.clear();
    state_.Appts.shrink_to_fit();
    state_.RecruiterList.Clear();
    state_.StationList.Clear();
    state_.ReserveList.clear();
    if (printForm_ != nullptr) printForm_->close();
    event->accept();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && IsListFile(urls.front())) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !IsListFile(urls.front())) return;
    event->acceptProposedAction();
    OpenList(urls.front().toLocalFile());
}

} // namespace orq::gui
