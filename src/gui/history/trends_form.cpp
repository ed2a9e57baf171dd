#include "gui/history/trends_form.h"

#include "base/error.h"
#include "gui/common/dialogs.h"
#include "gui/common/error_display.h"
#include "gui/common/ui_font.h"
#include "history/weeks_table.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace orq::gui {
namespace {

QComboBox* AddCombo(QWidget* parent, QHBoxLayout* row, const char* caption, const char* name,
                    int width) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setMinimumWidth(width);
    label->setBuddy(combo);
    row->addWidget(label);
    row->addWidget(combo);
    row->addSpacing(12);
    return combo;
}

void RenderCombo(QComboBox* combo, const TComboState& state) {
    const QSignalBlocker block(combo);
    combo->clear();
    for (const std::string& item : state.Items)
        combo->addItem(Q(item));
    combo->setCurrentIndex(state.ItemIndex < combo->count() ? state.ItemIndex : -1);
    combo->setEnabled(state.Enabled);
}

// A week's Monday as the chart's time axis counts (noon UTC, so that no time zone moves it to
// another day).
qreal ChartTime(TDateTime monday) {
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(monday));
    return static_cast<qreal>(QDateTime(date, QTime(12, 0), Qt::UTC).toMSecsSinceEpoch());
}

} // namespace

TTrendsForm::TTrendsForm(std::function<std::unique_ptr<history::THistory>()> openHistory,
                         TTrendsView initial, QWidget* parent)
    : QDialog(parent), openHistory_(std::move(openHistory)), view_(std::move(initial)) {
    setObjectName(QStringLiteral("TrendsForm"));
    setWindowTitle(QStringLiteral("Trends"));
    setFont(UiFont());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(860, 640);

    auto* layout = new QVBoxLayout(this);
    auto* selectors = new QHBoxLayout;
    RsidCombo = AddCombo(this, selectors, "&Station", "RsidCombo", 79);
    RctrCombo = AddCombo(this, selectors, "&Recruiter", "RctrCombo", 160);
    SpanCombo = AddCombo(this, selectors, "S&pan", "SpanCombo", 90);
    selectors->addStretch(1);
    SaveCsvButton = new QPushButton(QStringLiteral("Save as &CSV..."), this);
    SaveCsvButton->setObjectName(QStringLiteral("SaveCsvButton"));
    SavePngButton = new QPushButton(QStringLiteral("Save chart as P&NG..."), this);
    SavePngButton->setObjectName(QStringLiteral("SavePngButton"));
    selectors->addWidget(SaveCsvButton);
    selectors->addWidget(SavePngButton);
    layout->addLayout(selectors);

    pages_ = new QStackedWidget(this);
    EmptyLabel = new QLabel(Q(view_.EmptyText), pages_);
    EmptyLabel->setObjectName(QStringLiteral("EmptyLabel"));
    EmptyLabel->setWordWrap(true);
    EmptyLabel->setAlignment(Qt::AlignCenter);
    EmptyLabel->setMargin(40);
    pages_->addWidget(EmptyLabel);

    auto* splitter = new QSplitter(Qt::Vertical, pages_);
    TrendsChart = new QChartView(splitter);
    TrendsChart->setObjectName(QStringLiteral("TrendsChart"));
    TrendsChart->setRenderHint(QPainter::Antialiasing);
    TrendsChart->setMinimumHeight(280);
    model_ = new QStandardItemModel(this);
    TrendsGrid = new QTableView(splitter);
    TrendsGrid->setObjectName(QStringLiteral("TrendsGrid"));
    TrendsGrid->setModel(model_);
    TrendsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TrendsGrid->verticalHeader()->hide();
    TrendsGrid->verticalHeader()->setDefaultSectionSize(18);
    splitter->addWidget(TrendsChart);
    splitter->addWidget(TrendsGrid);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    pages_->addWidget(splitter);
    layout->addWidget(pages_, 1);

    connect(RsidCombo, &QComboBox::activated, this, &TTrendsForm::RsidComboChange);
    connect(RctrCombo, &QComboBox::activated, this, &TTrendsForm::RctrComboChange);
    connect(SpanCombo, &QComboBox::activated, this, &TTrendsForm::SpanComboChange);
    connect(SaveCsvButton, &QPushButton::clicked, this, &TTrendsForm::SaveCsvButtonClick);
    connect(SavePngButton, &QPushButton::clicked, this, &TTrendsForm::SavePngButtonClick);
}

void TTrendsForm::Run(const std::function<void(history::THistory&)>& operation) {
    RunCommand(this, [&] {
        const std::unique_ptr<history::THistory> history = openHistory_();
        operation(*history);
    });
    Render();
}

bool TTrendsForm::Reload() {
    bool loaded = false;
    Run([&](history::THistory& history) {
        LoadTrends(view_, history);
        loaded = true;
    });
    return loaded;
}

void TTrendsForm::RsidComboChange(int index) {
    if (rendering_) return;
    Run([&](history::THistory& history) { TrendsStationChange(view_, history, index); });
}

void TTrendsForm::RctrComboChange(int index) {
    if (rendering_) return;
    Run([&](history::THistory& history) { TrendsRecruiterChange(view_, history, index); });
}

void TTrendsForm::SpanComboChange(int index) {
    if (rendering_) return;
    Run([&](history::THistory& history) { TrendsSpanChange(view_, history, index); });
}

void TTrendsForm::Render() {
    rendering_ = true;
    RenderCombo(RsidCombo, view_.RsidCombo);
    RenderCombo(RctrCombo, view_.RctrCombo);
    RenderCombo(SpanCombo, view_.SpanCombo);
    pages_->setCurrentIndex(view_.Empty ? 0 : 1);
    SaveCsvButton->setEnabled(!view_.Empty);
    SavePngButton->setEnabled(!view_.Empty);

    model_->clear();
    if (!view_.Table.empty()) {
        const auto& header = view_.Table.front();
        model_->setColumnCount(static_cast<int>(header.size()));
        for (std::size_t col = 0; col < header.size(); ++col)
            model_->setHorizontalHeaderItem(static_cast<int>(col),
                                            new QStandardItem(Q(header[col])));
        for (std::size_t row = 1; row < view_.Table.size(); ++row) {
            QList<QStandardItem*> items;
            for (const std::string& text : view_.Table[row]) {
                auto* item = new QStandardItem(Q(text));
                item->setTextAlignment(items.isEmpty() ? Qt::AlignLeft | Qt::AlignVCenter
                                                       : Qt::AlignHCenter | Qt::AlignVCenter);
                items.append(item);
            }
            model_->appendRow(items);
        }
        TrendsGrid->resizeColumnsToContents();
        TrendsGrid->scrollToBottom();
    }
    RenderChart();
    rendering_ = false;
}

void TTrendsForm::RenderChart() {
    auto* chart = new QChart;
    chart->setFont(UiFont());
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries); // solid RA, dashed AR
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("M/d/yy"));
    time->setTickCount(std::clamp(static_cast<int>(view_.Weeks.size()), 2, 10));
    auto* counts = new QValueAxis;
    counts->setTitleText(QStringLiteral("appointments"));
    counts->setLabelFormat(QStringLiteral("%d"));
    auto* percent = new QValueAxis;
    percent->setTitleText(QStringLiteral("conduct %"));
    percent->setRange(0, 100);
    percent->setLabelFormat(QStringLiteral("%d%%"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(counts, Qt::AlignLeft);
    chart->addAxis(percent, Qt::AlignRight);

    // RA in solid lines, AR dashed; one colour per figure.
    struct Figure {
        const char* name;
        QColor colour;
        bool percentage;
    };
    const Figure figures[] = {{"made", QColor(0x1f, 0x5f, 0xbf), false},
                              {"approved conducts", QColor(0x2e, 0x8b, 0x3e), false},
                              {"no-shows", QColor(0xc0, 0x30, 0x30), false},
                              {"conduct %", QColor(0xe0, 0x8a, 0x00), true}};
    std::uint32_t highest = 1;
    for (TComponent component : {kRA, kAR}) {
        for (std::size_t f = 0; f < std::size(figures); ++f) {
            auto* series = new QLineSeries;
            series->setName(QStringLiteral("%1 %2").arg(component == kRA ? QStringLiteral("RA")
                                                                         : QStringLiteral("AR"),
                                                        QLatin1String(figures[f].name)));
            QPen pen(figures[f].colour);
            pen.setWidthF(component == kRA ? 2.0 : 1.6);
            if (component == kAR) pen.setStyle(Qt::DashLine);
            series->setPen(pen);
            for (const history::TWeek& week : view_.Weeks) {
                const history::TWeekFigures values = history::FiguresOf(week, component);
                const std::uint32_t count = f == 0   ? values.Made
                                            : f == 1 ? values.Approved
                                                     : values.NoShow;
                const qreal value = figures[f].percentage
                                        ? static_cast<qreal>(values.ConductPercent)
                                        : static_cast<qreal>(count);
                if (!figures[f].percentage) highest = std::max(highest, count);
                series->append(ChartTime(week.Monday), value);
            }
            chart->addSeries(series);
            series->attachAxis(time);
            series->attachAxis(figures[f].percentage ? percent : counts);
        }
    }
    counts->setRange(0, static_cast<qreal>(highest) * 1.1);
    counts->applyNiceNumbers();
    if (!view_.Weeks.empty()) {
        const qreal first = ChartTime(view_.Weeks.front().Monday);
        const qreal last = ChartTime(view_.Weeks.back().Monday);
        time->setRange(
            QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first), Qt::UTC),
            QDateTime::fromMSecsSinceEpoch(
                static_cast<qint64>(last > first ? last : first + 7 * 86400000.0), Qt::UTC));
    }
    QChart* old = TrendsChart->chart();
    TrendsChart->setChart(chart);
    delete old;
}

void TTrendsForm::SaveCsvButtonClick() {
    const QString fileName =
        CurrentDialogs().SaveFileName(this, QString(), QStringLiteral("CSV files (*.csv)"));
    if (fileName.isEmpty()) return;
    RunCommand(this, [&] {
        QFile file(fileName);
        const std::string csv = TrendsCsv(view_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(csv.data(), static_cast<qint64>(csv.size())) !=
                static_cast<qint64>(csv.size()))
            Fail("Can't write file \"%s\"", S(fileName));
    });
}

void TTrendsForm::SavePngButtonClick() {
    const QString fileName =
        CurrentDialogs().SaveFileName(this, QString(), QStringLiteral("PNG pictures (*.png)"));
    if (fileName.isEmpty()) return;
    RunCommand(this, [&] {
        if (!TrendsChart->grab().save(fileName, "PNG"))
            Fail("Can't write file \"%s\"", S(fileName));
    });
}

} // namespace orq::gui
