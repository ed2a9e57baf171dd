#pragma once

#include "domain/state.h"
#include "view/print_form.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QTableView;

namespace orq::gui {

class GridTableModel;
class Preferences;
class SortHeaderView;

// The report window: four filter boxes, the count label, the report table, "Hide Terminated",
// "Hide Rescheduled" (No Shows only), Print and Save to XLS. Not modal; it renders the core's
// TReportWindow state and forwards every event to the core's handlers.
class TPrintForm : public QWidget {
    Q_OBJECT
public:
    // `preferences` holds the folder "&Save to XLS" starts in.
    TPrintForm(TOrqState& state, Preferences& preferences, QWidget* parent = nullptr);
    ~TPrintForm() override;

    // A main-window report button: resets the filters the button resets and builds `type`.
    void StartReport(int type);
    // A new list was loaded: both station and recruiter filters lose their items.
    void ResetFilters();

    // Prints the report onto `printer` as the Print button does after its dialog.
    void PrintTo(QPrinter& printer);
    // Saves the table to `fileName` as "&Save to XLS" does after its dialog (the overwrite
    // question included); failures go to the general error display.
    void SaveTo(const QString& fileName);
    // The file "&Save to XLS" offers: the folder last saved to and the report's caption and
    // today's date ("Todays Conducts 2026-12-10.xls").
    QString SuggestedSaveFile() const;

    const reports::TReportWindow& Window() const { return window_; }

    // The width of a table text as this window's font draws it (column 2 is sized by it).
    static reports::TTextWidth TextWidth();
    QTableView* Table() const { return PrintGrid; }

    // Renders the window state into the controls.
    void Render();

public slots:
    void RSIDGridComboChange(int index);
    void RctrGridComboChange(int index);
    void EdComboChange(int index);
    void CompComboChange(int index);
    void CheckBox1Click(bool checked);
    void CheckBox2Click(bool checked);
    void HeaderClick(int column);
    void Button1Click();
    void Button2Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void LayOut();
    void Rebuild(const std::function<reports::TBuildResult()>& build);
    void RenderFilter(QComboBox* combo, const TComboState& state);

    TOrqState& state_;
    Preferences& preferences_;
    reports::TReportWindow window_;
    GridTableModel* model_ = nullptr;
    SortHeaderView* header_ = nullptr;
    bool rendering_ = false;
    bool shownBefore_ = false;

    QLabel* RSIDLabel = nullptr;
    QLabel* RctrLabel = nullptr;
    QLabel* EdLabel = nullptr;
    QLabel* CompLabel = nullptr;
    QComboBox* RSIDGridCombo = nullptr;
    QComboBox* RctrGridCombo = nullptr;
    QComboBox* EdCombo = nullptr;
    QComboBox* CompCombo = nullptr;
    QLabel* Label1 = nullptr;
    QTableView* PrintGrid = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};

} // namespace orq::gui
