#pragma once

#include "base/import.h"
#include "domain/state.h"
#include "view/main_form.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTableView;
class QStandardItemModel;
class QWidget;

namespace orq::gui {

class Preferences;
class TAboutForm;
class TBrokenForm;
class THistoryMenu;
class TPastForm;
class TPrintForm;
class TSettingsForm;
class WrapButton;

// Creates the import component that File > Open reads a list through.
using ImportFactory = std::function<std::unique_ptr<ImportComponent>()>;

// Where the main window gets today's date and the machine's formats from; the program passes
// the system's, tests pass fixed ones.
struct StartupOptions {
    std::string SettingsPath; // "ORQ.ini" in the current directory when empty
    ImportFactory MakeImport;
    TFormatSettings Format;
    TDateTime Today = 0;
    CollationCompare Collation; // CaseInsensitiveCompare when empty
    // The file of the remembered folders and lists (Preferences); the user's own when empty.
    QString PreferencesPath;
    // The history file; empty: history.sqlite in the user's data folder.
    std::string HistoryPath;
};

// The main window: File > Open, the metrics and pending-conducts tables, the report buttons
// and the station and recruiter selectors. It owns the program's process-wide values (the
// state object) and the main view state; everything it shows is rendered from those.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(StartupOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The other windows, created after this one.
    void SetWindows(TPrintForm* printForm, TAboutForm* aboutForm, TBrokenForm* brokenForm,
                    TSettingsForm* settingsForm, TPastForm* pastForm);

    TOrqState& State() { return state_; }
    THistoryMenu* History() const { return history_; }
    const TMainView& View() const { return view_; }
    // The folders and lists remembered from one run to the next.
    Preferences& Prefs() { return *preferences_; }

    // Opens a list as File > Open does after its dialog; failures go to the general error
    // display. True when the list was loaded. A loaded list goes to the top of File > Open
    // Recent and its folder is where File > Open starts next, unless `remember` is false (a
    // demo list in a temporary folder).
    bool OpenList(const QString& fileName, bool remember = true);

    // Renders the main view state into the controls.
    void Render();

public slots:
    void Open1Click();
    // File > Open Recent > entry `index` (0 = the latest list).
    void OpenRecentClick(int index);
    void Exit1Click();
    void About1Click();
    void ResetARRctrs1Click();
    void RsidComboChange(int index);
    void RctrComboChange(int index);
    void AllButtonClick();
    void TodayButtonClick();
    void YesterDayButtonClick();
    void TomorButtonClick();
    void TwoButtonClick();
    void NoShowButtonClick();
    void EstButtonClick();
    void TestButtonClick();
    void PastButtonClick();
    void BrokenButtonClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildLayout();
    void BuildMenu();
    void FillRecentMenu();
    void StartReport(int reportType);
    static void RenderCombo(QComboBox* combo, const TComboState& state);
    static void RenderGrid(QTableView* view, QStandardItemModel* model, const TGrid& grid);

    StartupOptions options_;
    std::unique_ptr<Preferences> preferences_;
    TOrqState state_;
    TMainView view_;
    std::unique_ptr<ImportComponent> import_; // TavroImport1
    bool rendering_ = false;
    bool shownBefore_ = false;

    TPrintForm* printForm_ = nullptr;
    TAboutForm* aboutForm_ = nullptr;
    TBrokenForm* brokenForm_ = nullptr;
    TSettingsForm* settingsForm_ = nullptr;
    TPastForm* pastForm_ = nullptr;
    THistoryMenu* history_ = nullptr; // the "&History" menu; records each list opened

    std::vector<WrapButton*> reportButtons_;
    WrapButton* AllButton = nullptr;
    WrapButton* TodayButton = nullptr;
    WrapButton* YesterDayButton = nullptr;
    WrapButton* TomorButton = nullptr;
    WrapButton* TwoButton = nullptr;
    WrapButton* NoShowButton = nullptr;
    WrapButton* EstButton = nullptr;
    WrapButton* TestButton = nullptr;
    WrapButton* BrokenButton = nullptr;
    WrapButton* PastButton = nullptr;
    QComboBox* RsidCombo = nullptr;
    QComboBox* RctrCombo = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QTableView* MathGrid = nullptr;
    QTableView* CondGrid = nullptr;
    QStandardItemModel* mathModel_ = nullptr;
    QStandardItemModel* condModel_ = nullptr;
    QLabel* Image1 = nullptr;
    QWidget* Panel2 = nullptr;
    QAction* Open1 = nullptr;
    QMenu* OpenRecent1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* ResetARRctrs1 = nullptr;
    QAction* About1 = nullptr;
};

} // namespace orq::gui
