#pragma once

#include "domain/state.h"
#include "reports/check_lists.h"

#include <QDialog>

class QPrinter;
class QPushButton;
class QTableView;

namespace orq::gui {

class GridTableModel;

// The frame the past-due and broken-appointments dialogs share: a fixed-size modal dialog with
// the table, "&Ok", "&Print" and "&Copy". Esc closes it.
class TListForm : public QDialog {
    Q_OBJECT
public:
    // Builds the list from the whole applicant table and shows the dialog modally; a failure
    // goes to the general error display and the dialog stays hidden.
    void BuildAndShow();
    // Builds the list without showing the dialog (tests, screenshots). False when it failed.
    bool Build();

    // Prints the table onto `printer` (portrait, no title) as Print does after its dialog.
    void PrintTo(QPrinter& printer);

    const reports::TReportTable& Table() const { return *table_; }
    QTableView* Grid() const { return grid_; }

public slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    TListForm(TOrqState& state, const char* objectName, const char* gridName,
              const QString& caption, QWidget* parent);
    // Connects the dialog's table to the list the derived dialog owns, and disconnects it
    // before that list goes.
    void Attach(const reports::TReportTable& table);
    void Detach();
    virtual void BuildList() = 0;
    void Render();

    TOrqState& state_;

private:
    const reports::TReportTable* table_ = nullptr;
    GridTableModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
};

// "Past Due Actions": records whose next action has no date or a date already passed.
class TPastForm : public TListForm {
    Q_OBJECT
public:
    explicit TPastForm(TOrqState& state, QWidget* parent = nullptr);
    ~TPastForm() override { Detach(); }

protected:
    void BuildList() override;

private:
    reports::TPastDueList list_;
};

// "Broken appointments": one row per bookkeeping rule a record breaks.
class TBrokenForm : public TListForm {
    Q_OBJECT
public:
    explicit TBrokenForm(TOrqState& state, QWidget* parent = nullptr);
    ~TBrokenForm() override { Detach(); }

protected:
    void BuildList() override;

private:
    reports::TBrokenList list_;
};

} // namespace orq::gui
