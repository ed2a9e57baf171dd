#include "gui_test_support.h"

#include "import/list_import.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace orq::guitest {

TDateTime FixtureToday() {
    return EncodeDate(2024, 3, 13);
}

QString Fixture(const char* name) {
    return QStringLiteral(ORQ_SOURCE_DIR "/tests/gui/fixtures/") + QLatin1String(name);
}

void ScriptedDialogs::Critical(QWidget*, const QString& title, const QString& text) {
    messages.push_back({QStringLiteral("critical"), title, text});
}

void ScriptedDialogs::Information(QWidget*, const QString& title, const QString& text) {
    messages.push_back({QStringLiteral("information"), title, text});
}

bool ScriptedDialogs::Confirm(QWidget*, const QString& title, const QString& text) {
    messages.push_back({QStringLiteral("confirm"), title, text});
    if (confirmAnswers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::OpenFileName(QWidget*, const QString& folder, const QString& filter) {
    lastOpenFolder = folder;
    lastOpenFilter = filter;
    if (openAnswers.empty()) return {};
    QString answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::SaveFileName(QWidget*, const QString& suggested, const QString& filter) {
    lastSaveSuggestion = suggested;
    lastSaveFilter = filter;
    if (saveAnswers.empty()) return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

QStringList ScriptedDialogs::OpenFileNames(QWidget*, const QString& folder, const QString& filter) {
    lastOpenFolder = folder;
    lastOpenFilter = filter;
    if (openManyAnswers.empty()) return {};
    QStringList answer = openManyAnswers.front();
    openManyAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::ExistingFolder(QWidget*, const QString& folder) {
    lastOpenFolder = folder;
    if (folderAnswers.empty()) return {};
    QString answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

bool ScriptedDialogs::SetUpPrinter(QWidget*, QPrinter& printer) {
    if (printAnswers.empty()) return false;
    auto answer = std::move(printAnswers.front());
    printAnswers.pop_front();
    return answer(printer);
}

ScriptedDialogs& InstallScriptedDialogs() {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& result = *dialogs;
    gui::SetDialogs(std::move(dialogs));
    return result;
}

gui::OrqWindows MakeWindows(const std::string& settingsPath, const QString& preferencesPath) {
    gui::StartupOptions options;
    options.SettingsPath = settingsPath;
    // The history beside the settings file, never the user's own.
    const std::string folder = settingsPath.substr(0, settingsPath.find_last_of('/') + 1);
    options.HistoryPath = folder + "history.sqlite";
    options.Today = FixtureToday();
    options.Format = TFormatSettings{};
    options.PreferencesPath = preferencesPath.isEmpty()
                                  ? QString::fromStdString(TempFolder() + "/orq.conf")
                                  : preferencesPath;
    options.MakeImport = [] {
        return std::unique_ptr<ImportComponent>(std::make_unique<import::TListImport>());
    };
    return gui::CreateWindows(std::move(options));
}

void WhenModalShown(std::function<void(QWidget* dialog)> action) {
    auto* timer = new QTimer(QApplication::instance());
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action = std::move(action)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(dialog);
    });
    timer->start();
}

void CheckModel(QAbstractItemModel* model) {
    new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::Warning,
                                 model);
}

bool ShowActive(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
    // The window itself must have the focus: the offscreen platform leaves it with a dialog
    // that was closed (a transient of this window, so that this window counts as active).
    return QTest::qWaitFor([window] {
        if (QGuiApplication::focusWindow() != window->windowHandle()) {
            window->windowHandle()->requestActivate();
            return false;
        }
        return true;
    });
}

std::vector<std::vector<std::string>> ModelTexts(const QAbstractItemModel& model) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int c = 0; c < model.columnCount(); ++c)
        header.push_back(
            model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    rows.push_back(header);
    for (int r = 0; r < model.rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < model.columnCount(); ++c)
            row.push_back(model.data(model.index(r, c), Qt::DisplayRole).toString().toStdString());
        rows.push_back(row);
    }
    return rows;
}

void ExpectCaptionsFit(const QWidget* window) {
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        if ((label == nullptr || label->wordWrap() || label->pixmap().isNull() == false) &&
            button == nullptr)
            continue;
        if (!widget->isVisibleTo(window) || widget->parentWidget() == nullptr) continue;
        const QWidget* parent = widget->parentWidget();
        const QRect room = parent->rect();
        EXPECT_TRUE(room.contains(widget->geometry()))
            << widget->objectName().toStdString() << " sticks out of its parent";
        if (label != nullptr) {
            EXPECT_GE(label->width(), label->sizeHint().width())
                << label->text().toStdString() << " is clipped";
        }
        if (qobject_cast<const QCheckBox*>(widget) != nullptr) {
            EXPECT_GE(widget->width(), widget->sizeHint().width())
                << button->text().toStdString() << " is clipped";
        }
    }
}

std::string TempFolder() {
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    folders.push_back(std::make_unique<QTemporaryDir>());
    return folders.back()->path().toStdString();
}

std::string RunProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) return {};
    return process.readAllStandardOutput().toStdString();
}

} // namespace orq::guitest
