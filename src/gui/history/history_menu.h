#pragma once

#include "base/import.h"
#include "domain/state.h"
#include "history/history.h"

#include <QObject>
#include <QString>

#include <functional>
#include <future>
#include <memory>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace orq::gui {

class Preferences;
class TForgetForm;
class TTrendsForm;

// The "&History" menu of the main window and what it does: the Trends window, importing lists,
// forgetting lists, and recording each list the main window opens while "&Record opened lists"
// is checked (a preference kept across runs, on at first).
class THistoryMenu : public QObject {
    Q_OBJECT
public:
    struct Options {
        std::string HistoryPath;      // empty: history.sqlite in the user's data folder
        Preferences* Prefs = nullptr; // where "&Record opened lists" is kept
        std::function<std::unique_ptr<ImportComponent>()> MakeImport;
        TFormatSettings Format;
        TDateTime Today = 0;
        CollationCompare Collation;
        // Shows one line in the main window's status area.
        std::function<void(const QString&)> ShowStatus;
    };

    THistoryMenu(Options options, QWidget* window);
    ~THistoryMenu() override;

    // Adds the menu to `bar` before `before` (the Help menu).
    void AddTo(QMenuBar* bar, QAction* before);

    // Before File > Open reads `fileName`: when recording is on, the file's digest is taken on
    // a thread of its own while the list loads.
    void ListOpening(const QString& fileName);
    // After File > Open loaded `fileName` into `state`: records it when recording is on. A
    // failure is one line in the status area; nothing is ever asked.
    void ListOpened(const QString& fileName, const TOrqState& state);

    bool RecordingOn() const;
    std::string HistoryPath() const;
    TTrendsForm* Trends() const { return trends_.get(); }
    TForgetForm* ForgetForm() const { return forget_.get(); }

public slots:
    void Trends1Click();
    void ImportLists1Click();
    void ImportFolder1Click();
    void Forget1Click();
    void RecordOpenedLists1Toggled(bool checked);

private:
    std::unique_ptr<history::THistory> OpenHistory() const;
    void Import(const QStringList& files);

    Options options_;
    QWidget* window_;
    QMenu* menu_ = nullptr;
    QAction* RecordOpenedLists1 = nullptr;
    std::unique_ptr<TTrendsForm> trends_;
    std::unique_ptr<TForgetForm> forget_;
    // The digest ListOpening started, and of which file.
    std::future<history::TListFile> digest_;
    QString digestOf_;
};

} // namespace orq::gui
