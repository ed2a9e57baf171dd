#include "history/weeks_table.h"

#include <cstdio>
#include <ctime>

#include "base/csv.h"
#include "domain/text.h"

namespace orq::history {

std::string IsoDate(TDateTime day) {
    int year = 0, month = 0, date = 0;
    DecodeDate(day, year, month, date);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, date);
    return text;
}

std::string IsoTimeUtc(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

TWeekFigures FiguresOf(const TWeek& week, TComponent component) {
    TWeekFigures figures;
    figures.Made = week.Total(component, kMade);
    figures.Approved = week.Total(component, kApprovedConduct);
    figures.NoShow = week.Total(component, kNoShow);
    figures.Bad = week.Total(component, kBadConduct);
    figures.ConductPercent = ConductPercent(figures.Made, figures.Approved, figures.Bad);
    return figures;
}

TWeekFigures FiguresOf(const TWeek& week, TComponent component, TEdGroup group) {
    const auto& counts = week.Counts[component];
    TWeekFigures figures;
    figures.Made = counts[kMade][group];
    figures.Approved = counts[kApprovedConduct][group];
    figures.NoShow = counts[kNoShow][group];
    figures.Bad = counts[kBadConduct][group];
    figures.ConductPercent = ConductPercent(figures.Made, figures.Approved, figures.Bad);
    return figures;
}

const std::vector<std::string>& WeeksTableHeader() {
    static const std::vector<std::string> header = {
        "Week",    "RA Made",     "RA Approved", "RA No Shows", "RA Bad",   "RA Cdct %",
        "AR Made", "AR Approved", "AR No Shows", "AR Bad",      "AR Cdct %"};
    return header;
}

std::vector<std::string> WeeksTableRow(const TWeek& week, const std::string& weekText,
                                       char decimalSeparator, const char* percentSuffix) {
    std::vector<std::string> row = {weekText};
    for (TComponent component : {kRA, kAR}) {
        const TWeekFigures figures = FiguresOf(week, component);
        row.push_back(std::to_string(figures.Made));
        row.push_back(std::to_string(figures.Approved));
        row.push_back(std::to_string(figures.NoShow));
        row.push_back(std::to_string(figures.Bad));
        row.push_back(FormatFloatFixed(figures.ConductPercent, 4, 1, decimalSeparator) +
                      percentSuffix);
    }
    return row;
}

std::string WeeksCsv(const std::vector<TWeek>& weeks) {
    std::string csv;
    AppendCsvRecord(csv, WeeksTableHeader());
    for (const TWeek& week : weeks)
        AppendCsvRecord(csv, WeeksTableRow(week, IsoDate(week.Monday), '.', ""));
    return csv;
}

} // namespace orq::history
