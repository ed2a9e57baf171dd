#pragma once

#include "view/trends_form.h"

#include <QDialog>

#include <functional>
#include <memory>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QStandardItemModel;
class QTableView;

namespace orq::gui {

// The Trends window: station, recruiter and span selectors, a chart of the weekly made, approved
// conducts, no-shows and conduct percentage for RA and AR, the table of the same figures, Save as
// CSV and Save chart as PNG. What it shows is the TTrendsView state; an empty history shows how
// to fill it.
class TTrendsForm : public QDialog {
    Q_OBJECT
public:
    // `openHistory` opens the history for one operation (a failure is an orq::Error).
    TTrendsForm(std::function<std::unique_ptr<history::THistory>()> openHistory,
                TTrendsView initial, QWidget* parent = nullptr);

    const TTrendsView& View() const { return view_; }

    // Reads the history again and shows it; false (with the error shown) when it cannot be read.
    bool Reload();
    void Render();

public slots:
    void RsidComboChange(int index);
    void RctrComboChange(int index);
    void SpanComboChange(int index);
    void SaveCsvButtonClick();
    void SavePngButtonClick();

private:
    void Run(const std::function<void(history::THistory&)>& operation);
    void RenderChart();

    std::function<std::unique_ptr<history::THistory>()> openHistory_;
    TTrendsView view_;
    bool rendering_ = false;
    QComboBox* RsidCombo = nullptr;
    QComboBox* RctrCombo = nullptr;
    QComboBox* SpanCombo = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLabel* EmptyLabel = nullptr;
    QChartView* TrendsChart = nullptr;
    QTableView* TrendsGrid = nullptr;
    QStandardItemModel* model_ = nullptr;
    QPushButton* SaveCsvButton = nullptr;
    QPushButton* SavePngButton = nullptr;
};

} // namespace orq::gui
