#!/usr/bin/python3
"""End-to-end checks of `orq-cli metrics`: real .xls lists written by xlwt
(tests/fixtures/apl/make_apl.py), loaded under the en_US, en_GB and C locales with a fixed
--today, compared with figures worked out by hand from the fixture rows.

Usage: python3 test_metrics_load.py PATH_TO_ORQ_CLI SOURCE_DIR
"""
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tally import check, finish  # noqa: E402

CLI, SOURCE = sys.argv[1], sys.argv[2]
FIXTURES = os.path.join(SOURCE, "tests", "fixtures", "apl")
TODAY = "2008-03-31"
NO_SETTINGS = os.path.join(tempfile.gettempdir(), "orq-no-such-settings.ini")
LOAD_FAILURE = ("Could not open processing list\r\nMake sure it is saved in XLS format\r\n"
                "If you cannot solve the problem, please email the APL to ")

def run(fixture, *options, locale="en_US.UTF-8", settings=NO_SETTINGS, json_output=True):
    args = [CLI, "metrics", os.path.join(FIXTURES, fixture), "--today", TODAY]
    if settings is not None:
        args += ["--settings", settings]
    if json_output:
        args.append("--json")
    args += list(options)
    env = dict(os.environ, LC_ALL=locale, LANG=locale)
    result = subprocess.run(args, capture_output=True, env=env, timeout=60)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def load(fixture, *options, **kwargs):
    code, out, err = run(fixture, *options, **kwargs)
    if code != 0:
        return None, "exit %d: %s" % (code, err)
    try:
        return json.loads(out), ""
    except ValueError as error:
        return None, "bad JSON (%s): %s" % (error, out)


HEADER = ["", "AM", "AC", "No\rShow", "Bad\rCdcts", "Cdct\r%%", "No Show\r%%", "Avg\rMake",
          "Avg\rCdcts"]
LABELS = [" RA", "   Grad", "   Senior", "   Other", "", " AR", "   Grad", "   Senior",
          "   Other"]
PENDING_LABELS = [" Today", "   RA", "   AR", " Tomorrow", "   RA", "   AR", " Two days",
                  "   RA", "   AR"]


def metrics_table(rows):
    """The metrics table from its nine figure rows (row 5 empty)."""
    table = [HEADER]
    for label, figures in zip(LABELS, rows):
        table.append([label] + (figures.split() if figures else [""] * 8))
    return table


def pending_table(counts):
    """The pending table from the six component rows' counts."""
    table = [["", "Grad", "Senior", "Other"]]
    it = iter(counts)
    for label in PENDING_LABELS:
        table.append([label] + (next(it).split() if label.startswith("   ") else ["", "", ""]))
    return table


ZERO = "0 0 0 0 0.0% 0.0% 0.00 0.00"

# The whole list on 31 March 2008: 4.142857 weeks, 4 RA recruiters, AR divided by 1.
ALL_METRICS = metrics_table([
    "6 1 1 1 33.3% 16.7% 0.36 0.06",
    "1 0 1 0 0.0% 100.0% 0.06 0.00",
    "4 1 0 0 25.0% 0.0% 0.24 0.06",
    "1 0 0 1 100.0% 0.0% 0.06 0.00",
    "",
    "3 0 1 0 0.0% 33.3% 0.72 0.00",
    "1 0 0 0 0.0% 0.0% 0.24 0.00",
    ZERO,
    "2 0 1 0 0.0% 50.0% 0.48 0.00",
])
ALL_PENDING = pending_table(["0 1 0", "0 0 1", "0 1 0", "0 0 0", "0 0 0", "1 0 0"])
CHOICES = ["ALL", "ADAMS, BOB", "SMITH, JOHN", "JONES, AMY", "LEE, KIM"]


def check_view(name, view, period, recruiters, stations, choices, metrics, pending):
    if view is None:
        check(name, False, "no output")
        return
    check(name + " period", view["period"] == period, repr(view["period"]))
    check(name + " recruiters", view["recruiters"] == recruiters, repr(view["recruiters"]))
    check(name + " stations", view["stations"] == stations, repr(view["stations"]))
    check(name + " choices", view["recruiter_choices"] == choices,
          repr(view["recruiter_choices"]))
    for r, (got, want) in enumerate(zip(view["metrics"], metrics)):
        check("%s metrics row %d" % (name, r), got == want, "%r != %r" % (got, want))
    check(name + " metrics rows", len(view["metrics"]) == 10)
    for r, (got, want) in enumerate(zip(view["pending"], pending)):
        check("%s pending row %d" % (name, r), got == want, "%r != %r" % (got, want))
    check(name + " pending rows", len(view["pending"]) == 10)


def main():
    for locale in ("en_US.UTF-8", "C", "C.UTF-8"):
        view, why = load("us_two_stations.xls", locale=locale)
        check("load us " + locale, view is not None, why)
        check_view("us " + locale, view, "PMS: from 3/3/2008 to 3/31/2008, 4.1 weeks",
                   "Rctrs: 4 RA, 0 AR", ["ALL", "1A2B", "2B3C"], CHOICES, ALL_METRICS,
                   ALL_PENDING)

    view, why = load("gb_two_stations.xls", locale="en_GB.UTF-8")
    check("load gb", view is not None, why)
    check_view("gb", view, "PMS: from 03/03/2008 to 31/03/2008, 4.1 weeks",
               "Rctrs: 4 RA, 0 AR", ["ALL", "1A2B", "2B3C"], CHOICES, ALL_METRICS, ALL_PENDING)

    # A list in the other date order fails its load in the row loop.
    for fixture, locale in (("us_two_stations.xls", "en_GB.UTF-8"),
                            ("gb_two_stations.xls", "en_US.UTF-8")):
        code, out, err = run(fixture, locale=locale)
        check("wrong order %s exit" % locale, code == 1, "exit %d" % code)
        check("wrong order %s message" % locale,
              err.startswith(LOAD_FAILURE) and err.endswith("\n") and
              not err.rstrip("\n").endswith("."), repr(err))
        check("wrong order %s no output" % locale, out == "", repr(out))

    # A station, then a recruiter of that station.
    view, why = load("us_two_stations.xls", "--station", "2B3C")
    check_view("station 2B3C", view, "PMS: from 3/3/2008 to 3/31/2008, 4.1 weeks",
               "Rctrs: 2 RA, 0 AR", ["ALL", "1A2B", "2B3C"], ["ALL", "JONES, AMY", "LEE, KIM"],
               metrics_table(["2 0 0 0 0.0% 0.0% 0.24 0.00", ZERO, "2 0 0 0 0.0% 0.0% 0.24 0.00",
                              ZERO, "", "2 0 1 0 0.0% 50.0% 0.48 0.00",
                              "1 0 0 0 0.0% 0.0% 0.24 0.00", ZERO,
                              "1 0 1 0 0.0% 100.0% 0.24 0.00"]),
               pending_table(["0 1 0", "0 0 0", "0 0 0", "0 0 0", "0 0 0", "1 0 0"]))

    # "jones, amy" is another Rctr text: choosing JONES, AMY leaves that record out.
    view, why = load("us_two_stations.xls", "--station", "2B3C", "--recruiter", "JONES, AMY")
    check_view("recruiter JONES", view, "PMS: from 3/3/2008 to 3/31/2008, 4.1 weeks",
               "Rctrs: 1 RA, 0 AR", ["ALL", "1A2B", "2B3C"], ["ALL", "JONES, AMY", "LEE, KIM"],
               metrics_table(["1 0 0 0 0.0% 0.0% 0.24 0.00", ZERO, "1 0 0 0 0.0% 0.0% 0.24 0.00",
                              ZERO, "", ZERO, ZERO, ZERO, ZERO]),
               pending_table(["0 0 0"] * 6))

    # A recruiter chosen with every station: the same name in any station counts.
    view, why = load("us_two_stations.xls", "--recruiter", "SMITH, JOHN")
    check_view("recruiter SMITH", view, "PMS: from 3/3/2008 to 3/31/2008, 4.1 weeks",
               "Rctrs: 1 RA, 0 AR", ["ALL", "1A2B", "2B3C"], CHOICES,
               metrics_table(["3 1 1 0 33.3% 33.3% 0.72 0.24", "1 0 1 0 0.0% 100.0% 0.24 0.00",
                              "2 1 0 0 50.0% 0.0% 0.48 0.24", ZERO, "", ZERO, ZERO, ZERO, ZERO]),
               pending_table(["0 0 0", "0 0 0", "0 1 0", "0 0 0", "0 0 0", "0 0 0"]))

    # Reserve recruiters from a settings file.
    with tempfile.TemporaryDirectory() as folder:
        settings = os.path.join(folder, "ORQ.ini")
        with open(settings, "wb") as file:
            file.write(b"40\r\nLEE, KIM\r\n")
        view, why = load("us_two_stations.xls", settings=settings)
        check("reserve load", view is not None, why)
        if view:
            check("reserve label", view["recruiters"] == "Rctrs: 3 RA, 1 AR", view["recruiters"])
            check("reserve RA averages", view["metrics"][1][7:] == ["0.48", "0.08"],
                  repr(view["metrics"][1]))
        view, why = load("us_two_stations.xls", "--recruiter", "LEE, KIM", settings=settings)
        check("reserve chosen", view is not None and
              view["recruiters"] == "Rctrs: 0 RA, 1 AR", why or view["recruiters"])
        with open(settings, "rb") as file:
            check("settings left alone", file.read() == b"40\r\nLEE, KIM\r\n")

    # The text output: caption, label, empty line, the tables; "\r" printed as a space.
    code, out, err = run("us_two_stations.xls", json_output=False)
    check("text exit", code == 0, err)
    expected = ["PMS: from 3/3/2008 to 3/31/2008, 4.1 weeks", "Rctrs: 4 RA, 0 AR", ""]
    expected += ["\t".join(cell.replace("\r", " ") for cell in row) for row in ALL_METRICS]
    expected += ["", "Pending Conducts"]
    expected += ["\t".join(row) for row in ALL_PENDING]
    check("text output", out == "\n".join(expected) + "\n", repr(out))

    # The old layout is brought into the current one; its last used row is not read.
    view, why = load("us_old_layout.xls")
    check_view("old layout", view, "PMS: from 3/3/2008 to 3/14/2008, 1.7 weeks",
               "Rctrs: 2 RA, 0 AR", ["ALL", "1A2B"], ["ALL", "ADAMS, BOB", "SMITH, JOHN"],
               metrics_table(["2 1 1 0 50.0% 50.0% 0.58 0.29", "1 0 1 0 0.0% 100.0% 0.29 0.00",
                              "1 1 0 0 100.0% 0.0% 0.29 0.29", ZERO, "",
                              "1 0 0 0 0.0% 0.0% 0.58 0.00", ZERO, ZERO,
                              "1 0 0 0 0.0% 0.0% 0.58 0.00"]),
               pending_table(["0 0 0", "0 0 1", "0 0 0", "0 0 0", "0 0 0", "0 0 0"]))

    # The end-of-list marker ends the list.
    view, why = load("us_end_marker.xls")
    check("end marker", view is not None and view["stations"] == ["ALL", "1A2B"] and
          view["recruiter_choices"] == ["ALL", "SMITH, JOHN"] and
          view["metrics"][1][1] == "2", why or repr(view))

    # Bad input.
    code, out, err = run("no_rows.xls")
    check("no rows", code == 1 and err == "APL has no appointments\n" and out == "",
          "%d %r %r" % (code, out, err))
    for fixture in ("bad_date_without_time.xls", "bad_number_station.xls", "bad_est.xls"):
        code, out, err = run(fixture)
        check(fixture, code == 1 and err.startswith(LOAD_FAILURE) and out == "",
              "%d %r %r" % (code, out, err))
    code, out, err = run("bad_scheduled_date.xls")
    check("bad scheduled date", code == 1 and err == "'someday ' is not a valid date.\n",
          "%d %r" % (code, err))
    code, out, err = run("missing.xls")
    check("missing file", code == 1 and err.strip() != "", "%d %r" % (code, err))

    # Usage errors exit 2.
    for options in (["--station", "9Z9Z"], ["--recruiter", "NOBODY"],
                    ["--station", "2B3C", "--recruiter", "SMITH, JOHN"], ["--today", "3/31/2008"],
                    ["--bogus"]):
        code, out, err = run("us_two_stations.xls", *options)
        check("usage %s" % options, code == 2 and "usage:" in err, "%d %r" % (code, err))
    result = subprocess.run([CLI, "metrics"], capture_output=True, timeout=60)
    check("usage no file", result.returncode == 2)

    return finish()


if __name__ == "__main__":
    sys.exit(main())
