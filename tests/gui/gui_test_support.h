#pragma once

// Helpers of the desktop tests: dialogs answered in advance, the windows on a fixed day, and
// modal dialogs driven from a queued callback.

#include "gui/common/dialogs.h"
#include "gui/windows.h"

#include <QAbstractItemModel>
#include <QPrinter>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Test failures show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace orq::guitest {

// The day the fixtures are dated around: Wednesday 3/13/2024.
TDateTime FixtureToday();

// The path of a fixture in tests/gui/fixtures.
QString Fixture(const char* name);

// Every dialog answered from queues filled by the test; every message box shown is recorded.
class ScriptedDialogs : public gui::Dialogs {
public:
    struct Message {
        QString kind; // "critical", "information", "confirm"
        QString title;
        QString text;
    };

    std::vector<Message> messages;
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QStringList> openManyAnswers;
    std::deque<QString> folderAnswers;
    std::deque<bool> confirmAnswers;
    // Called with the printer the print dialog would set up; its result is the dialog's.
    std::deque<std::function<bool(QPrinter&)>> printAnswers;
    QString lastOpenFolder;
    QString lastOpenFilter;
    QString lastSaveSuggestion;
    QString lastSaveFilter;

    void Critical(QWidget*, const QString& title, const QString& text) override;
    void Information(QWidget*, const QString& title, const QString& text) override;
    bool Confirm(QWidget*, const QString& title, const QString& text) override;
    QString OpenFileName(QWidget*, const QString& folder, const QString& filter) override;
    QString SaveFileName(QWidget*, const QString& folder, const QString& filter) override;
    QStringList OpenFileNames(QWidget*, const QString& folder, const QString& filter) override;
    QString ExistingFolder(QWidget*, const QString& folder) override;
    bool SetUpPrinter(QWidget*, QPrinter& printer) override;
};

// Installs a fresh ScriptedDialogs for the program and returns it.
ScriptedDialogs& InstallScriptedDialogs();

// The windows as the program creates them, on FixtureToday, M/d/yyyy dates, the real import
// component and `settingsPath` as the settings file. `preferencesPath` holds the remembered
// folders and lists; empty: a new file in a temporary folder. The history is a file in the
// settings file's folder.
gui::OrqWindows MakeWindows(const std::string& settingsPath,
                            const QString& preferencesPath = QString());

// Runs `action` on the modal dialog that the next call opens (as soon as it is shown).
void WhenModalShown(std::function<void(QWidget* dialog)> action);

// Checks `model` against the Qt model contract for as long as it lives: every signal it sends
// and every answer it gives (QAbstractItemModelTester); a finding fails the running test.
void CheckModel(QAbstractItemModel* model);

// Shows `window` and waits until it is the active window, so that its shortcuts take keys.
bool ShowActive(QWidget* window);

// The texts of a Qt model: header row first, then every row.
std::vector<std::vector<std::string>> ModelTexts(const QAbstractItemModel& model);

// Every caption of a window (labels, check boxes, buttons) has room for its text inside its
// parent: nothing is clipped at the right or bottom edge with this desktop's font.
void ExpectCaptionsFit(const QWidget* window);

// A temporary folder for one test.
std::string TempFolder();

// Runs a program and returns its standard output ("" when it could not run).
std::string RunProgram(const QString& program, const QStringList& arguments);

} // namespace orq::guitest
