#include "gui/history/history_menu.h"

#include <new>

#include "base/error.h"
#include "gui/common/dialogs.h"
#include "gui/common/error_display.h"
#include "gui/common/preferences.h"
#include "gui/history/forget_form.h"
#include "gui/history/trends_form.h"
#include "view/trends_form.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QStandardPaths>

namespace orq::gui {
namespace {

std::int64_t NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

THistoryMenu::THistoryMenu(Options options, QWidget* window)
    : QObject(window), options_(std::move(options)), window_(window) {}

THistoryMenu::~THistoryMenu() = default;

std::string THistoryMenu::HistoryPath() const {
    if (!options_.HistoryPath.empty()) return options_.HistoryPath;
    // $XDG_DATA_HOME/orq (~/.local/share/orq), where orq-cli finds it too; the folder is named
    // as the preferences' one is, whatever the application's name.
    return S(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) + "/orq/" +
           history::kHistoryFileName;
}

std::unique_ptr<history::THistory> THistoryMenu::OpenHistory() const {
    auto opened = std::make_unique<history::THistory>(HistoryPath(), options_.Today);
    if (!opened->Notice().empty() && options_.ShowStatus)
        options_.ShowStatus(Q(DisplayText(opened->Notice())));
    return opened;
}

void THistoryMenu::AddTo(QMenuBar* bar, QAction* before) {
    menu_ = new QMenu(QStringLiteral("&History"), bar);
    menu_->setObjectName(QStringLiteral("History1"));
    bar->insertMenu(before, menu_);
    QAction* trends =
        menu_->addAction(QStringLiteral("&Trends..."), this, &THistoryMenu::Trends1Click);
    trends->setObjectName(QStringLiteral("Trends1"));
    QAction* import = menu_->addAction(QStringLiteral("&Import lists..."), this,
                                       &THistoryMenu::ImportLists1Click);
    import->setObjectName(QStringLiteral("ImportLists1"));
    QAction* folder = menu_->addAction(QStringLiteral("Import a f&older..."), this,
                                       &THistoryMenu::ImportFolder1Click);
    folder->setObjectName(QStringLiteral("ImportFolder1"));
    QAction* forget =
        menu_->addAction(QStringLiteral("&Forget..."), this, &THistoryMenu::Forget1Click);
    forget->setObjectName(QStringLiteral("Forget1"));
    menu_->addSeparator();
    RecordOpenedLists1 = menu_->addAction(QStringLiteral("&Record opened lists"));
    RecordOpenedLists1->setObjectName(QStringLiteral("RecordOpenedLists1"));
    RecordOpenedLists1->setCheckable(true);
    RecordOpenedLists1->setChecked(options_.Prefs == nullptr ||
                                   options_.Prefs->RecordOpenedLists());
    connect(RecordOpenedLists1, &QAction::toggled, this, &THistoryMenu::RecordOpenedLists1Toggled);
}

bool THistoryMenu::RecordingOn() const {
    return RecordOpenedLists1 != nullptr && RecordOpenedLists1->isChecked();
}

void THistoryMenu::RecordOpenedLists1Toggled(bool checked) {
    if (options_.Prefs != nullptr) options_.Prefs->SetRecordOpenedLists(checked);
}

void THistoryMenu::ListOpening(const QString& fileName) {
    if (!RecordingOn()) return;
    // A digest started for a list that did not load is waited for here, and dropped.
    digest_ = std::async(std::launch::async, history::DescribeListFile, S(fileName));
    digestOf_ = fileName;
}

void THistoryMenu::ListOpened(const QString& fileName, const TOrqState& state) {
    std::future<history::TListFile> digest = std::move(digest_);
    if (!RecordingOn()) return;
    try {
        const history::TListFile file = digest.valid() && digestOf_ == fileName
                                            ? digest.get()
                                            : history::DescribeListFile(S(fileName));
        auto history = OpenHistory();
        history->Record(file, state, NowMs());
    } catch (const Error& failure) {
        if (options_.ShowStatus)
            options_.ShowStatus(QStringLiteral("Not recorded in the history: %1")
                                    .arg(Q(DisplayText(failure.what()))));
    } catch (const std::bad_alloc&) {
        // Runs after the open, outside its command frame: nothing may escape to Qt.
        if (options_.ShowStatus)
            options_.ShowStatus(QStringLiteral("Not recorded in the history: Out of memory"));
    }
}

void THistoryMenu::Trends1Click() {
    if (!trends_) {
        TTrendsView initial;
        initial.Today = options_.Today;
        initial.Format = options_.Format;
        if (options_.Collation) initial.Collation = options_.Collation;
        trends_ = std::make_unique<TTrendsForm>([this] { return OpenHistory(); },
                                                std::move(initial), window_);
    }
    trends_->Reload();
    trends_->show();
    trends_->raise();
    trends_->activateWindow();
}

void THistoryMenu::ImportLists1Click() {
    const QStringList files = CurrentDialogs().OpenFileNames(window_, QString(), ListFilesFilter());
    if (!files.isEmpty()) Import(files);
}

void THistoryMenu::ImportFolder1Click() {
    const QString folder = CurrentDialogs().ExistingFolder(window_, QString());
    if (folder.isEmpty()) return;
    QStringList files;
    for (const std::string& file : ListFilesOfFolder(S(folder)))
        files.append(Q(file));
    if (files.isEmpty()) {
        CurrentDialogs().Information(
            window_, QStringLiteral("ORQ"),
            QStringLiteral("There are no lists (.xls, .xlsx or .csv files) in %1").arg(folder));
        return;
    }
    Import(files);
}

void THistoryMenu::Import(const QStringList& files) {
    std::unique_ptr<history::THistory> history;
    if (!RunCommand(window_, [&] { history = OpenHistory(); })) return;
    const auto import = options_.MakeImport();
    QProgressDialog progress(QStringLiteral("Recording lists..."), QStringLiteral("Cancel"), 0,
                             static_cast<int>(files.size()), window_);
    progress.setObjectName(QStringLiteral("ImportProgress"));
    progress.setWindowTitle(QStringLiteral("ORQ"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    int recorded = 0, already = 0, done = 0;
    QStringList failures;
    for (const QString& file : files) {
        if (progress.wasCanceled()) break;
        progress.setLabelText(QStringLiteral("Recording %1").arg(file));
        progress.setValue(done);
        QApplication::processEvents();
        const TRecordOutcome outcome =
            RecordListFile(*history, *import, S(file), options_.Format, options_.Today, NowMs());
        ++done;
        if (outcome.Outcome == TRecordOutcome::Recorded) ++recorded;
        if (outcome.Outcome == TRecordOutcome::AlreadyRecorded) ++already;
        if (outcome.Outcome == TRecordOutcome::Failed)
            failures.append(QStringLiteral("%1: %2").arg(file, Q(outcome.Message).simplified()));
    }
    const bool cancelled = progress.wasCanceled() && done < files.size();
    progress.setValue(static_cast<int>(files.size()));
    QString summary = QStringLiteral("%1 of %2 lists recorded, %3 already in the history")
                          .arg(recorded)
                          .arg(files.size())
                          .arg(already);
    if (cancelled) summary += QStringLiteral("; cancelled after %1").arg(done);
    if (!failures.isEmpty())
        summary += QStringLiteral(".\n\nNot recorded:\n") + failures.join(QLatin1Char('\n'));
    CurrentDialogs().Information(window_, QStringLiteral("ORQ"), summary);
    if (trends_ && trends_->isVisible()) trends_->Reload();
}

void THistoryMenu::Forget1Click() {
    if (!forget_)
        forget_ = std::make_unique<TForgetForm>([this] { return OpenHistory(); }, window_);
    if (!forget_->Reload()) return;
    forget_->exec();
    if (trends_ && trends_->isVisible()) trends_->Reload();
}

} // namespace orq::gui
