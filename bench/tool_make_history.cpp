// Writes a station's year of daily processing lists, each overlapping the one before, for the
// history's benchmarks and pictures: the list of day d holds every appointment made in the 84 days
// up to d, each as it stood on day d (made, then conducted or missed on its scheduled day, then
// approved a few days later), so that the same appointment comes back list after list and
// changes as it goes.
//
//   tool_make_history OUT_DIR [--today YYYY-MM-DD] [--days N] [--per-day N] [--station RSID]
//
// Writes OUT_DIR/apl-YYYY-MM-DD.xls for the N days (default 365) ending with --today.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/error.h"
#include "domain/dates.h"
#include "export/demo_list.h"
#include "xls/writer.h"

namespace {

using namespace orq;

struct Appt {
    int made = 0;      // day number
    int minutes = 0;   // time of day it was made
    int scheduled = 0; // day number
    int recruiter = 0;
    char comp = 'A';
    const char* ed = "12H";
    bool priorService = false;
    bool shows = false;    // conducted on the scheduled day
    int approvedAfter = 0; // days after the conduct (0: never approved)
    bool review = false;   // the next action is a review
    int id = 0;
};

const char* const kRecruiters[] = {"SMITH, JOHN", "DOE, JANE",     "ROE, RICHARD", "BROWN, ANN",
                                   "LEE, KIM",    "GARCIA, MARIA", "KING, PAUL"};
const char* const kEds[] = {"12H", "12H", "BA", "11M", "11S", "11B", "11E", "GED", "AA"};

std::string DateTime(TDateTime day, int minutes) {
    const TFormatSettings us;
    const int hour = minutes / 60, minute = minutes % 60;
    char time[24];
    std::snprintf(time, sizeof time, " %d:%02d:00 %s", hour % 12 == 0 ? 12 : hour % 12, minute,
                  hour < 12 ? "AM" : "PM");
    return DateToStr(day, us) + time;
}

int Usage() {
    std::fputs("usage: tool_make_history OUT_DIR [--today YYYY-MM-DD] [--days N] [--per-day N] "
               "[--station RSID]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string out = argv[1];
    TDateTime today = EncodeDate(2026, 12, 10);
    int days = 365, perDay = 30;
    std::string station = "1A2B";
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--today") == 0) {
            if (!TryParseIsoDate(argv[i + 1], today)) return Usage();
        } else if (std::strcmp(argv[i], "--days") == 0) {
            days = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--per-day") == 0) {
            perDay = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--station") == 0) {
            station = argv[i + 1];
        } else {
            return Usage();
        }
    }
    std::filesystem::create_directories(out);
    constexpr int kWindow = 84; // the days a list reaches back
    const int first = static_cast<int>(today) - days + 1;
    std::mt19937 random(20261210);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<Appt> appts;
    for (int day = first - kWindow; day <= static_cast<int>(today); ++day) {
        const int count = perDay / 2 + pick(perDay + 1); // busier and quieter days
        for (int k = 0; k < count; ++k) {
            Appt a;
            a.id = static_cast<int>(appts.size());
            a.made = day;
            a.minutes = 8 * 60 + pick(10 * 60);
            a.scheduled = day + 1 + pick(10);
            a.recruiter = pick(static_cast<int>(std::size(kRecruiters)));
            a.comp = pick(5) == 0 ? 'R' : 'A';
            a.ed = kEds[pick(static_cast<int>(std::size(kEds)))];
            a.priorService = pick(12) == 0;
            a.shows = pick(10) < 7;
            a.approvedAfter = pick(10) < 8 ? 1 + pick(4) : 0;
            a.review = pick(8) == 0;
            appts.push_back(a);
        }
    }
    const std::string rsid = station.substr(0, 4);
    try {
        for (int day = first; day <= static_cast<int>(today); ++day) {
            xls::TXlsWriter writer;
            writer.NewFile(1);
            writer.SetCellValue(1, 1, std::string("APPLICANT PROCESSING LIST"));
            const auto& headings = exporter::DemoHeadings();
            for (int c = 0; c < exporter::kDemoColumns; ++c)
                writer.SetCellValue(9, c + 1, std::string(headings[static_cast<std::size_t>(c)]));
            int row = exporter::kDemoFirstDataRow;
            for (const Appt& a : appts) {
                if (a.made > day || a.made <= day - kWindow) continue;
                auto text = [&](int column, const std::string& value) {
                    if (!value.empty()) writer.SetCellValue(row, column, value);
                };
                text(1, rsid);
                text(2, rsid + kRecruiters[a.recruiter]);
                text(3, "APPLICANT " + std::to_string(a.id));
                text(4, "555-" + std::to_string(1000 + a.id % 9000));
                text(5, std::string(1, a.comp));
                text(6, a.priorService ? "P" : "N");
                text(7, a.priorService ? "Y" : "N");
                text(8, a.id % 3 == 0 ? "F" : "M");
                text(9, a.ed);
                text(10, a.id % 2 ? "WEB" : "REFERRAL");
                text(11, DateTime(a.made, a.minutes));
                text(12, DateTime(a.scheduled, 10 * 60));
                const bool conducted = a.shows && a.scheduled < day;
                if (conducted) text(13, DateTime(a.scheduled, 10 * 60 + 30));
                const bool approved =
                    conducted && a.approvedAfter > 0 && a.scheduled + a.approvedAfter <= day;
                if (a.review) {
                    text(21, "REVIEW");
                    text(22, DateTime(a.scheduled + 2, 9 * 60));
                } else if (!conducted) {
                    text(21, "APPOINTMENT-INITIAL");
                    text(22, DateTime(a.scheduled, 10 * 60));
                }
                text(24, approved ? "PROCESSING" : "PENDING");
                text(25, "Y");
                if (approved) text(26, "Y");
                ++row;
            }
            const std::string file = out + "/apl-" + [&] {
                int y = 0, m = 0, d = 0;
                DecodeDate(day, y, m, d);
                char name[16];
                std::snprintf(name, sizeof name, "%04d-%02d-%02d", y, m, d);
                return std::string(name);
            }() + ".xls";
            writer.SaveAs(file, true);
        }
    } catch (const Error& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    std::printf("wrote %d lists into %s\n", days, out.c_str());
    return 0;
}
