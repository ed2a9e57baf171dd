#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/import.h"

namespace orq::testing {

// An in-memory sheet behind the import component's interface, with the three edits the loader
// makes and a log of the calls, for driving the loader without a workbook.
class FakeImport : public ImportComponent {
public:
    void OpenFile(const std::string&) override {}
    void SetActiveSheet(int) override {}
    void CloseFile() override {}

    int RowCount() const override { return rowCount; }
    TCellValue CellValue(int row, int column) const override {
        if (failAt == std::make_pair(row, column)) Fail("Cell read failure");
        if (row < 1 || column < 1 || row > static_cast<int>(rows.size())) return {};
        const auto& cells = rows[static_cast<std::size_t>(row - 1)];
        if (column > static_cast<int>(cells.size())) return {};
        return cells[static_cast<std::size_t>(column - 1)];
    }

    void InsertAndCopyColumns(int first, int last, int destination, int count) override {
        log.push_back("InsertAndCopyColumns " + std::to_string(first) + " " + std::to_string(last) +
                      " " + std::to_string(destination) + " " + std::to_string(count));
        for (auto& cells : rows) {
            cells.resize(std::max<std::size_t>(cells.size(), static_cast<std::size_t>(last)));
            std::vector<TCellValue> copy(cells.begin() + first - 1, cells.begin() + last);
            for (int k = 0; k < count; ++k)
                cells.insert(cells.begin() + destination - 1, copy.begin(), copy.end());
        }
    }
    void DeleteColumns(int column, int count) override {
        log.push_back("DeleteColumns " + std::to_string(column) + " " + std::to_string(count));
        for (auto& cells : rows)
            if (static_cast<int>(cells.size()) >= column)
                cells.erase(cells.begin() + column - 1,
                            cells.begin() +
                                std::min<int>(column - 1 + count, static_cast<int>(cells.size())));
    }
    void DeleteRows(int row, int count) override {
        log.push_back("DeleteRows " + std::to_string(row) + " " + std::to_string(count));
        if (row <= static_cast<int>(rows.size()))
            rows.erase(rows.begin() + row - 1,
                       rows.begin() +
                           std::min<int>(row - 1 + count, static_cast<int>(rows.size())));
        rowCount = std::max(0, rowCount - count);
    }

    // Sets a cell (1-based), growing the sheet as needed; the row count follows the last row.
    void Set(int row, int column, TCellValue value) {
        if (static_cast<int>(rows.size()) < row) rows.resize(static_cast<std::size_t>(row));
        auto& cells = rows[static_cast<std::size_t>(row - 1)];
        if (static_cast<int>(cells.size()) < column) cells.resize(static_cast<std::size_t>(column));
        cells[static_cast<std::size_t>(column - 1)] = std::move(value);
        rowCount = std::max(rowCount, row);
    }

    std::vector<std::vector<TCellValue>> rows;
    int rowCount = 0;
    std::pair<int, int> failAt{0, 0};
    std::vector<std::string> log;
};

// One data row of a current-layout list, by column; texts unless set otherwise.
struct AplRow {
    std::string rsid = "1A2B";
    std::string rctr = "1A2BSMITH, JOHN";
    std::string name = "DOE, JANE";
    std::string phone = "555-123-4567";
    std::string comp = "A";
    std::string appType = "N";
    std::string ps = "N";
    std::string sex = "F";
    std::string ed = "12H";
    std::string leadSrc = "WALK IN";
    std::string made = "1/10/2008 10:30:00 AM";
    std::string sch = "1/15/2008 10:30:00 AM";
    std::string cond;
    std::string est;
    std::string testDate;
    TCellValue qt;
    std::string phyDate;
    std::string pulhes;
    std::string col19, col20;
    std::string nxtAction;
    std::string nxtActionDate;
    std::string col23;
    std::string dispo;
    std::string approvedMake;
    std::string approvedCond;
    std::string col27;
};

inline TCellValue TextCell(const std::string& text) {
    if (text.empty()) return {};
    return text;
}

// Writes a current-layout list: the heading row 9 and one sheet row per AplRow from row 10.
inline void WriteApl(FakeImport& sheet, const std::vector<AplRow>& rows, bool heading = true) {
    sheet.Set(1, 1, std::string("Applicant Processing List"));
    if (heading) {
        const char* headings[27] = {"RSID",   "RECRUITER", "NAME", "PHONE",   "COMP", "APP TYPE",
                                    "PS",     "SEX",       "ED",   "LEAD",    "MADE", "SCHED",
                                    "COND",   "EST",       "TEST", "QT",      "PHY",  "PULHES",
                                    "C19",    "C20",       "NEXT", "NEXT DT", "C23",  "DISPO",
                                    "APPR M", "APPR C",    "C27"};
        for (int c = 0; c < 27; ++c)
            sheet.Set(9, c + 1, std::string(headings[c]));
    } else {
        sheet.Set(9, 1, std::string("RSID"));
    }
    int r = 10;
    for (const AplRow& row : rows) {
        const std::string* texts[27] = {
            &row.rsid,         &row.rctr,          &row.name,     &row.phone,
            &row.comp,         &row.appType,       &row.ps,       &row.sex,
            &row.ed,           &row.leadSrc,       &row.made,     &row.sch,
            &row.cond,         &row.est,           &row.testDate, nullptr,
            &row.phyDate,      &row.pulhes,        &row.col19,    &row.col20,
            &row.nxtAction,    &row.nxtActionDate, &row.col23,    &row.dispo,
            &row.approvedMake, &row.approvedCond,  &row.col27};
        for (int c = 0; c < 27; ++c)
            sheet.Set(r, c + 1, texts[c] ? TextCell(*texts[c]) : row.qt);
        ++r;
    }
}

} // namespace orq::testing
