#!/usr/bin/python3
"""End-to-end checks of `orq-cli report`, `past-due` and `broken`: processing lists written by
xlwt (tests/fixtures/reports/make_reports.py), loaded with --today 2008-03-31, compared with the
reports worked out by hand from the fixture rows.

Usage: python3 test_report_cli.py PATH_TO_ORQ_CLI SOURCE_DIR
"""
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tally import check, equal, finish  # noqa: E402

CLI, SOURCE = sys.argv[1], sys.argv[2]
FIXTURES = os.path.join(SOURCE, "tests", "fixtures", "reports")
APL_FIXTURES = os.path.join(SOURCE, "tests", "fixtures", "apl")
REPORTS = os.path.join(FIXTURES, "reports.xls")
BAD_DATES = os.path.join(FIXTURES, "bad_dates.xls")
TODAY = "2008-03-31"
NO_SETTINGS = os.path.join(tempfile.gettempdir(), "orq-no-such-settings.ini")

def run(*args, locale="en_US.UTF-8", settings=NO_SETTINGS):
    words = [CLI] + list(args) + ["--today", TODAY, "--settings", settings]
    env = dict(os.environ, LC_ALL=locale, LANG=locale)
    result = subprocess.run(words, capture_output=True, env=env, timeout=60)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def report(kind, *options, fixture=REPORTS, **kwargs):
    code, out, err = run("report", kind, fixture, "--json", *options, **kwargs)
    if code != 0:
        print("FAIL report %s %s: exit %d: %s" % (kind, options, code, err))
        return None
    try:
        return json.loads(out)
    except ValueError as error:
        print("FAIL report %s: bad JSON (%s): %s" % (kind, error, out))
        return None


def column(data, header):
    index = data["columns"].index(header)
    return [row[index] for row in data["rows"]]


def names(data):
    return column(data, "Name") if data else None


NARROW = ["RSID", "Rctr", "Name", "Phone", "Comp", "PS", "Sex", "Ed", "Lead Src", "ApptMade",
          "ApptSch", "ApptCond", "EST"]
WIDE = NARROW + ["TestDate", "QT", "PhyDate", "PULHES", "NxtAction", "Dispo"]
ALL_ORDER = ["O'Brien, Pat", "Doe, Jane", "Gray, Al", "Hill, Jo", "King, Lee", "Roe, Richard",
             "Black, Ann", "White, Tom", "Brown, Max", "Green, Eva"]


def check_reports(locale):
    tag = "[%s] " % locale
    # Today's conducts: ordered by the time text, which has no day half, so 2:30 PM comes first;
    # the review due today brings King in, marked lavender on Name and column 10.
    data = report("today", locale=locale)
    if data:
        equal(tag + "today title", data["title"], "Today's Conducts")
        equal(tag + "today count", data["count"], "3 appointment(s) selected")
        equal(tag + "today columns", data["columns"], NARROW)
        equal(tag + "today names", names(data), ["Roe, Richard", "King, Lee", "Doe, Jane"])
        equal(tag + "today times", column(data, "ApptSch"), ["2:30 ", "8:00 ", "9:05 "])
        equal(tag + "today made", column(data, "ApptMade")[0], "3/20/2008  10:30 ")
        king = data["rows"].index(next(r for r in data["rows"] if r[2] == "King, Lee"))
        equal(tag + "today review background", data["background"][king],
              ["", "", "F5ADB2", "", "", "", "", "", "", "CAFFFF", "F5ADB2", "FFFFFF", ""])
        equal(tag + "today review font", data["font_color"][king],
              ["", "", "000000", "", "", "", "", "", "", "", "000000", "", ""])
        equal(tag + "today plain background", data["background"][0][2], "FFFFFF")

    # Yesterday keeps the table order (Green before Brown); made and conducted yesterday.
    data = report("yesterday", locale=locale)
    equal(tag + "yesterday names", names(data), ["Green, Eva", "Brown, Max"])
    if data:
        equal(tag + "yesterday conducted", column(data, "ApptCond")[1], "3/30/2008  1:00 ")

    # A terminated recruiter's applicant: maroon Name with white text, white column 10 text.
    data = report("48hr", locale=locale)
    equal(tag + "48hr names", names(data), ["O'Brien, Pat"])
    if data:
        equal(tag + "48hr background", data["background"][0][2], "000080")
        equal(tag + "48hr font", [data["font_color"][0][2], data["font_color"][0][10]],
              ["FFFFFF", "FFFFFF"])
        equal(tag + "48hr ApptSch", column(data, "ApptSch"), ["4/1/2008  10:30 "])

    data = report("72hr", locale=locale)
    equal(tag + "72hr names", names(data), ["Green, Eva"])

    # No shows: a review still ahead counts as rescheduled.
    data = report("no-shows", locale=locale)
    equal(tag + "no-shows names", names(data), ["Hill, Jo", "King, Lee"])
    if data:
        equal(tag + "no-shows review day", column(data, "ApptSch"),
              ["3/28/2008  10:30 ", "3/31/2008  8:00 "])
    equal(tag + "no-shows rescheduled hidden",
          names(report("no-shows", "--hide-rescheduled", locale=locale)), ["Hill, Jo"])

    # All applicants: 19 columns, by station, recruiter, name.
    data = report("all", locale=locale)
    if data:
        equal(tag + "all columns", data["columns"], WIDE)
        equal(tag + "all names", names(data), ALL_ORDER)
        equal(tag + "all count", data["count"], "10 appointment(s) selected")
        brown = data["rows"][ALL_ORDER.index("Brown, Max")]
        equal(tag + "all Brown tail", brown[12:], ["52", "4/3/2008 ", "", "", "111111", "TEST",
                                                   "PROCESSING"])
        black = data["rows"][ALL_ORDER.index("Black, Ann")]
        equal(tag + "all approved conduct", data["background"][ALL_ORDER.index("Black, Ann")][11],
              "CAFFFF")
        equal(tag + "all QT", black[14], "35")
        white = ALL_ORDER.index("White, Tom")
        equal(tag + "all unapproved make", data["background"][white][9], "FFFFFF")

    # High EST/QT: the ApptSch column is not shown; EST from highest, empty EST last.
    data = report("high-est", locale=locale)
    if data:
        equal(tag + "high-est columns", data["columns"], [c for c in WIDE if c != "ApptSch"])
        equal(tag + "high-est names", names(data), ["Brown, Max", "Black, Ann"])
        equal(tag + "high-est row width", [len(r) for r in data["rows"]], [18, 18])

    # Testers: by projected test date, "NO DATE" after the dated rows.
    data = report("testers", locale=locale)
    if data:
        equal(tag + "testers columns", data["columns"][9:], ["ApptCond", "EST", "Proj Test", "QT"])
        equal(tag + "testers names", names(data),
              ["Brown, Max", "Doe, Jane", "O'Brien, Pat", "Green, Eva", "Black, Ann"])
        equal(tag + "testers proj test", column(data, "Proj Test"),
              ["4/3/2008 ", "4/5/2008 ", "4/8/2008 ", "4/9/2008 ", "NO DATE"])
        equal(tag + "testers EST and QT", [column(data, "EST"), column(data, "QT")],
              [["52", "", "", "", ""], ["0", "0", "0", "0", "35"]])


def check_filters():
    equal("station", names(report("all", "--station", "2B3C")),
          ["Black, Ann", "White, Tom", "Brown, Max", "Green, Eva"])
    equal("station and recruiter",
          names(report("all", "--station", "2B3C", "--recruiter", "LEE, KIM")),
          ["Brown, Max", "Green, Eva"])
    equal("recruiter", names(report("all", "--recruiter", "SMITH, JOHN")),
          ["Doe, Jane", "Gray, Al", "Hill, Jo", "King, Lee", "Roe, Richard"])
    equal("seniors", names(report("all", "--ed", "seniors")), ["Black, Ann", "White, Tom"])
    equal("grads", names(report("all", "--ed", "grads")),
          ["O'Brien, Pat", "Doe, Jane", "Gray, Al", "Hill, Jo", "King, Lee", "Roe, Richard"])
    equal("reserve", names(report("all", "--comp", "reserve")), ["O'Brien, Pat", "Green, Eva"])
    equal("active", len(names(report("all", "--comp", "active")) or []), 8)
    equal("hide terminated", names(report("all", "--hide-terminated")), ALL_ORDER[1:])
    # The minimum EST comes from the settings file.
    with tempfile.TemporaryDirectory() as folder:
        settings = os.path.join(folder, "ORQ.ini")
        with open(settings, "wb") as f:
            f.write(b"20\r\n")
        equal("min EST 20", names(report("high-est", settings=settings)),
              ["Brown, Max", "Gray, Al", "Black, Ann"])

    # Nothing selected: the header and one empty row, "no appointments".
    data = report("48hr", "--station", "2B3C")
    if data:
        equal("empty count", data["count"], "no appointments")
        equal("empty rows", data["rows"], [[""] * 13])
        equal("empty colours", data["background"], [[""] * 13])

    # Usage errors exit with 2.
    for words in (["report", "all", REPORTS, "--station", "9Z9Z"],
                  ["report", "all", REPORTS, "--recruiter", "NOBODY, NO"],
                  ["report", "all", REPORTS, "--station", "1A2B", "--recruiter", "LEE, KIM"],
                  ["report", "all", REPORTS, "--hide-rescheduled"],
                  ["report", "weekly", REPORTS],
                  ["report", "all", REPORTS, "--ed", "phd"],
                  ["report", "all", REPORTS, "--comp", "navy"],
                  ["report", "all"]):
        code, out, err = run(*words)
        check("usage %s" % words[1:], code == 2 and out == "" and "usage:" in err,
              "exit %d, %r %r" % (code, out, err))


def check_text_output():
    code, out, err = run("report", "today", REPORTS)
    equal("text today", (code, out, err), (0, (
        "Today's Conducts\n"
        "RSID\tRctr\tName\tPhone\tComp\tPS\tSex\tEd\tLead Src\tApptMade\tApptSch\tApptCond\tEST\n"
        "1A2B\tSmith, John\tRoe, Richard\t555-0100\tA\tN\tM\t12\tWalk In\t3/20/2008  10:30 \t"
        "2:30 \t\t\n"
        "1A2B\tSmith, John\tKing, Lee\t555-0100\tA\tN\tM\t12\tWalk In\t3/20/2008  10:30 \t"
        "8:00 \t\t\n"
        "1A2B\tSmith, John\tDoe, Jane\t555-0100\tA\tN\tM\t12\tWalk In\t3/20/2008  10:30 \t"
        "9:05 \t\t\n"
        "3 appointment(s) selected\n"), ""))
    code, out, err = run("report", "48hr", REPORTS, "--station", "2B3C")
    equal("text empty", (code, out), (0, "48hr Conducts\n" + "\t".join(NARROW) + "\n" +
                                      "\t" * 12 + "\nno appointments\n"))


PAST_DUE = ("Rctr   \tApplicant   \tNext Action\tDate\r\n"
            "SMITH,    \tRoe, Richard     \tNO ACTION!\tNO DATE!\r\n"
            "JONES,    \tWhite, Tom       \tAPPT-INIT  \t3/28/2008 \r\n"
            "JONES,    \tBlack, Ann       \tTEST       \tNO DATE!\r\n"
            "SMITH,    \tGray, Al         \tNO ACTION!\tNO DATE!\r\n"
            "SMITH,    \tHill, Jo         \tREVIEW     \t3/28/2008 \r\n")
BROKEN = ("Rctr   \tApplicant   \tError\r\n"
          "LEE,      \tBrown, Max       \tRA CIHS\r\n"
          "LEE,      \tBrown, Max       \tunapp. conduct\r\n"
          "JONES,    \tWhite, Tom       \tconduct 72hrs+\r\n"
          "JONES,    \tWhite, Tom       \tunapp. make\r\n"
          "SMITH,    \tGray, Al         \tapp. low EST\r\n")


def check_lists():
    for locale in ("en_US.UTF-8", "C"):
        code, out, err = run("past-due", REPORTS, locale=locale)
        equal("past-due text [%s]" % locale, (code, out, err), (0, PAST_DUE, ""))
        code, out, err = run("broken", REPORTS, locale=locale)
        equal("broken text [%s]" % locale, (code, out, err), (0, BROKEN, ""))
    code, out, err = run("past-due", REPORTS, "--json")
    data = json.loads(out) if code == 0 else None
    if data:
        equal("past-due clipboard", data["clipboard"], PAST_DUE)
        equal("past-due rows", len(data["rows"]), 5)
        equal("past-due first row", data["rows"][0],
              ["SMITH,    ", "Roe, Richard     ", "NO ACTION!", "NO DATE!"])
    # Fewer entries than three: the padding rows stay (empty cells, tabs only when copied).
    code, out, err = run("broken", BAD_DATES, "--json")
    data = json.loads(out) if code == 0 else None
    if data:
        equal("broken padding rows", data["rows"],
              [["SMITH,    ", "Odd, Dates       ", "no EST"], ["", "", ""], ["", "", ""]])
        equal("broken padding clipboard", data["clipboard"],
              "Rctr   \tApplicant   \tError\r\nSMITH,    \tOdd, Dates       \tno EST\r\n"
              "\t\t\r\n\t\t\r\n")
    else:
        check("broken bad dates", False, "exit %d %s" % (code, err))


def check_failures():
    # Dates only the reports read: the failure message as the general error display shows it.
    code, out, err = run("report", "all", BAD_DATES)
    check("bad dates: all", code == 0, "exit %d %s" % (code, err))
    equal("bad dates: today", run("report", "today", BAD_DATES),
          (1, "", "'soon ' is not a valid date.\n"))
    equal("bad dates: yesterday", run("report", "yesterday", BAD_DATES),
          (1, "", "'last ' is not a valid date.\n"))
    equal("bad dates: past-due", run("past-due", BAD_DATES),
          (1, "", "'soon ' is not a valid date.\n"))
    # A list that does not load: the loader's messages.
    code, out, err = run("report", "all", os.path.join(APL_FIXTURES, "no_rows.xls"))
    equal("no rows", (code, out, err), (1, "", "APL has no appointments\n"))
    code, out, err = run("broken", os.path.join(APL_FIXTURES, "bad_est.xls"))
    check("load failure", code == 1 and out == "" and err.startswith("Could not open"),
          "exit %d %r" % (code, err))


def check_day_month_locale():
    # A day/month/year list under en_GB: dates read and sorted by the British format.
    fixture = os.path.join(APL_FIXTURES, "gb_two_stations.xls")
    # Times without a day half leave the time column empty: the EST column decides (empty first).
    data = report("today", fixture=fixture, locale="en_GB.UTF-8")
    equal("en_GB today", names(data), ["Black, Ann", "O'Brien, Pat"])
    data = report("no-shows", fixture=fixture, locale="en_GB.UTF-8")
    if data:
        equal("en_GB no-shows days", column(data, "ApptSch"),
              ["30/03/2008  ", "01/04/2008  ", "27/03/2008  "])


def main():
    for locale in ("en_US.UTF-8", "C"):
        check_reports(locale)
    check_filters()
    check_text_output()
    check_lists()
    check_failures()
    check_day_month_locale()
    return finish()


if __name__ == "__main__":
    sys.exit(main())
