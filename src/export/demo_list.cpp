#include "export/demo_list.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/error.h"
#include "export/sheet_exporter.h"
#include "xls/writer.h"

namespace orq::exporter {
namespace {

// A small, portable random generator (splitmix64): the same seed gives the same list on every
// platform and standard library.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A whole number in [low, high].
    int Between(int low, int high) {
        const auto span = static_cast<std::uint64_t>(high - low + 1);
        return low + static_cast<int>(Next() % span);
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    template <typename T, std::size_t N> const T& Pick(const T (&items)[N]) {
        return items[static_cast<std::size_t>(Between(0, static_cast<int>(N) - 1))];
    }

private:
    std::uint64_t state_;
};

constexpr const char* kStations[] = {"3G1A", "3G1B", "3G2C", "3G4D"};
constexpr const char* kRecruiterNames[] = {
    "SMITH, JOHN",    "GARCIA, MARIA",  "JOHNSON, DAVID", "BROWN, ASHLEY",
    "DAVIS, MICHAEL", "MILLER, SARAH",  "WILSON, JAMES",  "MOORE, JESSICA",
    "TAYLOR, ROBERT", "ANDERSON, LISA", "THOMAS, KEVIN",  "JACKSON, AMY",
    "WHITE, BRIAN",   "HARRIS, NICOLE", "MARTIN, JASON",  "THOMPSON, ERIC",
};
constexpr const char* kLastNames[] = {
    "ADAMS",  "BAKER",    "CARTER", "COLLINS", "COOPER",  "EVANS", "FOSTER",  "GRAY",
    "HALL",   "HILL",     "HUGHES", "KELLY",   "KING",    "LEE",   "LEWIS",   "LOPEZ",
    "MORGAN", "MURPHY",   "NELSON", "O'BRIEN", "PARKER",  "PEREZ", "PRICE",   "REED",
    "RIVERA", "ROBINSON", "ROGERS", "ROSS",    "SANCHEZ", "SCOTT", "STEWART", "TORRES",
    "TURNER", "WALKER",   "WARD",   "WATSON",  "WOOD",    "YOUNG", "MCCOY",   "SMITH-JONES",
};
constexpr const char* kFirstNames[] = {
    "AARON",   "ALEXIS", "ANDRE",  "BRANDON", "CAMILA",  "CHLOE",  "CODY",   "DANIEL",
    "DESTINY", "DYLAN",  "ELENA",  "ETHAN",   "GABRIEL", "HANNAH", "ISAIAH", "JADA",
    "JORDAN",  "JOSE",   "KAYLA",  "LOGAN",   "LUIS",    "MAYA",   "NATHAN", "NOAH",
    "OLIVIA",  "RYAN",   "SAMUEL", "SOFIA",   "TYLER",   "VICTOR", "ZOE",    "CARLOS",
};
constexpr const char* kLeadSources[] = {"WALK IN", "TELEPHONE", "REFERRAL",    "INTERNET",
                                        "SCHOOL",  "EVENT",     "SOCIAL MEDIA"};
// Education codes with their weights out of 100: graduates (13A to 16B), seniors (11S, 11M,
// 11B) and others.
struct TWeighted {
    const char* text;
    int weight;
};
constexpr TWeighted kEdCodes[] = {{"13A", 25}, {"14B", 12}, {"16B", 8}, {"15A", 5},
                                  {"11S", 20}, {"12H", 10}, {"109", 6}, {"11M", 4},
                                  {"11B", 3},  {"11E", 4},  {"11H", 3}};
constexpr const char* kPulhes[] = {"111111", "111121", "112111", "111112"};
constexpr const char* kMos[] = {"11B", "25U", "68W", "88M", "92Y", "35F", "12B", ""};

const char* PickWeighted(TRandom& random, const TWeighted (&items)[11]) {
    int roll = random.Between(1, 100);
    for (const TWeighted& item : items) {
        roll -= item.weight;
        if (roll <= 0) return item.text;
    }
    return items[0].text;
}

// One appointment before it becomes cells.
struct TDemoAppt {
    int station = 0;
    int recruiter = 0; // index into the station's recruiters
    std::string name;
    std::string phone;
    char comp = 'A';
    bool priorService = false;
    bool male = true;
    std::string ed;
    std::string leadSource;
    int made = 0; // days relative to today
    int madeMinutes = 0;
    int sch = 0;
    int schMinutes = 0;
    bool conducted = false;
    int condMinutes = 0;
    int est = 0; // 0: none
    bool estWithStar = false;
    bool tested = false;
    int testDay = 0;
    int qt = -1; // -1: no cell
    bool physical = false;
    int phyDay = 0;
    std::string pulhes;
    std::string mos;
    std::string nextAction;
    int nextDay = 0;
    int nextMinutes = 0;
    std::string dispo;
    bool approvedMake = false;
    bool approvedCond = false;
};

struct TRecruiter {
    std::string name;
    bool terminated = false;
};

// Minutes of the working day: 8:00 to 18:00, in steps of 5.
int WorkMinutes(TRandom& random) {
    return 8 * 60 + 5 * random.Between(0, 120);
}

TDemoAppt RandomAppt(TRandom& random, const std::vector<std::vector<TRecruiter>>& recruiters) {
    TDemoAppt a;
    a.station = random.Between(0, static_cast<int>(std::size(kStations)) - 1);
    a.recruiter = random.Between(
        0, static_cast<int>(recruiters[static_cast<std::size_t>(a.station)].size()) - 1);
    a.name = std::string(random.Pick(kLastNames)) + ", " + random.Pick(kFirstNames);
    char phone[16];
    std::snprintf(phone, sizeof phone, "%03d-%03d-%04d", random.Between(200, 989),
                  random.Between(200, 999), random.Between(0, 9999));
    a.phone = phone;
    a.comp = random.Chance(20) ? 'R' : 'A';
    a.priorService = random.Chance(8);
    a.male = random.Chance(72);
    a.ed = PickWeighted(random, kEdCodes);
    a.leadSource = random.Pick(kLeadSources);
    a.made = -random.Between(0, 84);
    a.madeMinutes = WorkMinutes(random);
    a.sch = std::min(a.made + random.Between(0, 12), 6);
    a.schMinutes = WorkMinutes(random);
    a.conducted = a.sch < 0 ? random.Chance(72) : (a.sch == 0 ? random.Chance(30) : false);
    a.condMinutes = std::min(a.schMinutes + 5 * random.Between(0, 6), 19 * 60);
    a.approvedMake = random.Chance(80);
    if (a.conducted) {
        a.approvedCond = random.Chance(80);
        if (random.Chance(75)) {
            a.est = random.Between(8, 92);
            a.estWithStar = random.Chance(5);
        }
        if (a.est >= 31 && a.sch < -3 && random.Chance(55)) {
            a.tested = true;
            a.testDay = std::min(a.sch + random.Between(1, 10), -1);
            a.qt = random.Between(10, 99);
            if (random.Chance(60)) {
                a.physical = true;
                a.phyDay = std::min(a.testDay + random.Between(1, 7), 0);
                a.pulhes = random.Pick(kPulhes);
                a.mos = random.Pick(kMos);
            }
        } else if (random.Chance(15)) {
            a.qt = 0; // a QT cell that holds 0
        }
    }
    // The next action and the disposition.
    if (!a.conducted) {
        if (a.sch < 0 && random.Chance(50)) {
            a.nextAction = "REVIEW";
            a.nextDay = random.Between(-4, 6);
        } else {
            a.nextAction = "APPOINTMENT-INITIAL";
            a.nextDay = a.sch;
        }
        a.dispo = "PENDING";
    } else if (a.est > 0 && a.est < 31) {
        a.nextAction = random.Chance(40) ? "REVIEW" : "";
        a.nextDay = random.Between(-2, 10);
        a.dispo = "UNQUALIFIED - EST";
    } else if (a.est >= 31 && !a.tested) {
        a.nextAction = "TEST";
        a.nextDay = random.Between(0, 14);
        a.dispo = "PENDING";
    } else if (a.tested && !a.physical) {
        a.nextAction = "PHYSICAL";
        a.nextDay = random.Between(1, 10);
        a.dispo = "PENDING";
    } else if (a.physical) {
        a.nextAction = random.Chance(50) ? "CONTRACT" : "";
        a.nextDay = random.Between(1, 20);
        a.dispo = random.Chance(60) ? "CONTRACTED" : "PENDING";
    } else {
        a.nextAction = "";
        a.dispo = random.Chance(50) ? "NOT INTERESTED" : "PENDING";
    }
    a.nextMinutes = WorkMinutes(random);
    return a;
}

// The first records of every list are made to cover each report and the pending conducts.
void ApplyScenario(TDemoAppt& a, int scenario) {
    switch (scenario) {
    case 0: // conducted today, approved
    case 1: // scheduled today, not yet conducted
        a.made = -3;
        a.sch = 0;
        a.conducted = scenario == 0;
        a.approvedCond = scenario == 0;
        a.est = scenario == 0 ? 48 : 0;
        a.tested = a.physical = false;
        a.qt = -1;
        a.nextAction = scenario == 0 ? "TEST" : "APPOINTMENT-INITIAL";
        a.nextDay = scenario == 0 ? 2 : 0;
        break;
    case 2: // tomorrow
    case 3: // the day after
        a.made = -1;
        a.sch = scenario == 2 ? 1 : 2;
        a.conducted = false;
        a.approvedCond = false;
        a.est = 0;
        a.tested = a.physical = false;
        a.qt = -1;
        a.nextAction = "APPOINTMENT-INITIAL";
        a.nextDay = a.sch;
        break;
    case 4: // a no-show of yesterday
        a.made = -6;
        a.sch = -1;
        a.conducted = a.approvedCond = false;
        a.est = 0;
        a.tested = a.physical = false;
        a.qt = -1;
        a.nextAction = "REVIEW";
        a.nextDay = 0;
        a.dispo = "PENDING";
        break;
    case 5: // a high scorer waiting for the test
        a.made = -12;
        a.sch = -10;
        a.conducted = a.approvedCond = true;
        a.est = 64;
        a.tested = false;
        a.qt = -1;
        a.nextAction = "TEST";
        a.nextDay = 3;
        a.dispo = "PENDING";
        break;
    case 6: // tested with a high QT
        a.made = -30;
        a.sch = -28;
        a.conducted = a.approvedCond = true;
        a.est = 55;
        a.tested = true;
        a.testDay = -20;
        a.qt = 77;
        a.nextAction = "PHYSICAL";
        a.nextDay = 4;
        a.dispo = "PENDING";
        break;
    case 7: // made yesterday
        a.made = -1;
        a.sch = 3;
        a.conducted = a.approvedCond = false;
        a.est = 0;
        a.tested = a.physical = false;
        a.qt = -1;
        a.nextAction = "APPOINTMENT-INITIAL";
        a.nextDay = 3;
        break;
    default:
        break;
    }
}

void AddDays(std::string& out, const TDemoOptions& options, int day) {
    out += DateToStr(options.Today + day, options.Format);
}

std::string DateTimeText(const TDemoOptions& options, int day, int minutes) {
    std::string out;
    AddDays(out, options, day);
    const int hour = minutes / 60, minute = minutes % 60;
    const int twelve = hour % 12 == 0 ? 12 : hour % 12;
    char time[24];
    std::snprintf(time, sizeof time, " %d:%02d:00 %s", twelve, minute, hour < 12 ? "AM" : "PM");
    return out + time;
}

TDemoRow Cells(const TDemoAppt& a, const TDemoOptions& options,
               const std::vector<std::vector<TRecruiter>>& recruiters) {
    const TRecruiter& r =
        recruiters[static_cast<std::size_t>(a.station)][static_cast<std::size_t>(a.recruiter)];
    TDemoRow c;
    auto text = [&](int column, std::string value) {
        if (!value.empty()) c[static_cast<std::size_t>(column - 1)] = std::move(value);
    };
    text(1, kStations[a.station]);
    text(2, std::string(kStations[a.station]) + r.name + (r.terminated ? " *Term*" : ""));
    text(3, a.name);
    text(4, a.phone);
    text(5, std::string(1, a.comp));
    text(6, a.priorService ? "P" : "N");
    text(7, a.priorService ? "Y" : "N");
    text(8, a.male ? "M" : "F");
    text(9, a.ed);
    text(10, a.leadSource);
    text(11, DateTimeText(options, a.made, a.madeMinutes));
    text(12, DateTimeText(options, a.sch, a.schMinutes));
    if (a.conducted) text(13, DateTimeText(options, a.sch, a.condMinutes));
    if (a.est > 0) {
        if (a.estWithStar)
            text(14, std::to_string(a.est) + "*");
        else
            c[13] = static_cast<double>(a.est);
    }
    if (a.tested) text(15, DateTimeText(options, a.testDay, 8 * 60));
    if (a.qt >= 0) c[15] = static_cast<double>(a.qt);
    if (a.physical) {
        text(17, DateTimeText(options, a.phyDay, 6 * 60 + 30));
        text(18, a.pulhes);
        text(20, a.mos);
    }
    text(19, a.priorService ? "PRIOR SERVICE" : "");
    if (!a.nextAction.empty()) {
        text(21, a.nextAction);
        text(22, DateTimeText(options, a.nextDay, a.nextMinutes));
    }
    text(24, a.dispo);
    if (a.approvedMake) text(25, "Y");
    if (a.conducted && a.approvedCond) text(26, "Y");
    return c;
}

} // namespace

const std::array<const char*, kDemoColumns>& DemoHeadings() {
    static const std::array<const char*, kDemoColumns> headings = {
        "RSID",
        "RECRUITER",
        "APPLICANT NAME",
        "PHONE",
        "COMP",
        "APP TYPE",
        "PS",
        "SEX",
        "ED",
        "LEAD SOURCE",
        "APPT MADE",
        "APPT SCHEDULED",
        "APPT CONDUCTED",
        "EST",
        "TEST DATE",
        "QT",
        "PHYSICAL DATE",
        "PULHES",
        "WAIVER",
        "MOS",
        "NEXT ACTION",
        "NEXT ACTION DATE",
        "PROJECTED SHIP",
        "DISPOSITION",
        "APPROVED MAKE",
        "APPROVED COND",
        "REMARKS",
    };
    return headings;
}

void MakeDemoRows(const TDemoOptions& options,
                  const std::function<void(int sheetRow, const TDemoRow& cells)>& row) {
    const int rows = std::clamp(options.Rows, 0, kDemoMaxRows);
    TRandom random(options.Seed);

    // Three or four recruiters per station; one recruiter of the list has left (terminated).
    std::vector<std::vector<TRecruiter>> recruiters(std::size(kStations));
    std::size_t nextName = 0;
    for (auto& station : recruiters) {
        const int count = random.Between(3, 4);
        for (int i = 0; i < count; ++i)
            station.push_back({kRecruiterNames[nextName++ % std::size(kRecruiterNames)], false});
    }
    recruiters[1].back().terminated = true;

    std::vector<TDemoAppt> appts;
    appts.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        appts.push_back(RandomAppt(random, recruiters));
        ApplyScenario(appts.back(), i);
    }
    // The portal lists appointments by station, recruiter and the day they were made.
    std::vector<std::size_t> order(appts.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    auto recruiterOf = [&](const TDemoAppt& a) -> const std::string& {
        return recruiters[static_cast<std::size_t>(a.station)]
                         [static_cast<std::size_t>(a.recruiter)]
                             .name;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        const TDemoAppt& a = appts[x];
        const TDemoAppt& b = appts[y];
        if (a.station != b.station) return a.station < b.station;
        if (const int c = recruiterOf(a).compare(recruiterOf(b)); c != 0) return c < 0;
        return a.made < b.made;
    });

    TDemoRow title;
    auto titleRow = [&](int sheetRow, std::string text) {
        title.fill(std::monostate{});
        title[0] = std::move(text);
        row(sheetRow, title);
    };
    std::string first, last;
    AddDays(first, options, -84);
    AddDays(last, options, 6);
    titleRow(1, "APPLICANT PROCESSING LIST");
    titleRow(2, "RECRUITING COMPANY: DEMO (SYNTHETIC DATA)");
    titleRow(3, "STATIONS: " + std::string(kStations[0]) + ", " + kStations[1] + ", " +
                    kStations[2] + ", " + kStations[3]);
    titleRow(4, "PERIOD: " + first + " - " + last);
    std::string today;
    AddDays(today, options, 0);
    titleRow(5, "RUN DATE: " + today);
    titleRow(7, "ALL TIMES ARE LOCAL");

    TDemoRow headings;
    for (int c = 0; c < kDemoColumns; ++c)
        headings[static_cast<std::size_t>(c)] =
            std::string(DemoHeadings()[static_cast<std::size_t>(c)]);
    row(kDemoFirstDataRow - 1, headings);

    for (int i = 0; i < rows; ++i)
        row(kDemoFirstDataRow + i,
            Cells(appts[order[static_cast<std::size_t>(i)]], options, recruiters));

    const int markerRow = kDemoFirstDataRow + rows;
    if (options.EndMarker && markerRow <= 65536)
        titleRow(markerRow, "ANY CHANGES TO THIS LIST MUST BE MADE IN THE RECRUITING PORTAL");
}

void WriteDemoList(const TDemoOptions& options, const std::string& path, bool overwrite) {
    std::error_code error;
    if (!overwrite && std::filesystem::exists(path, error)) Fail(kMsgFileExists, path.c_str());
    xls::TXlsWriter writer;
    writer.NewFile(1);
    MakeDemoRows(options, [&](int sheetRow, const TDemoRow& cells) {
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (const auto* text = std::get_if<std::string>(&cells[c]))
                writer.SetCellValue(sheetRow, static_cast<int>(c) + 1, *text);
            else if (const auto* number = std::get_if<double>(&cells[c]))
                writer.SetCellValue(sheetRow, static_cast<int>(c) + 1, *number);
        }
    });
    // Widths as the portal sets them, in 1/256 of a character.
    static constexpr std::uint16_t kWidths[kDemoColumns] = {6,  24, 24, 13, 6,  9,  4,  5,  5,
                                                            14, 22, 22, 22, 5,  22, 5,  22, 8,
                                                            14, 6,  22, 22, 14, 20, 14, 14, 12};
    for (int c = 0; c < kDemoColumns; ++c)
        writer.SetColumnWidth(c + 1, static_cast<std::uint16_t>(kWidths[c] * 256));
    writer.SaveAs(path, overwrite);
}

} // namespace orq::exporter
