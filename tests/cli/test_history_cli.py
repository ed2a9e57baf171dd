#!/usr/bin/python3
"""End-to-end checks of `orq-cli history`: lists made by make-demo recorded into a history in a
temporary folder, the weeks added up against `orq-cli metrics` of the same list (all stations,
one station, one recruiter, every component and group), the same list twice, forgetting, the CSV
and JSON shapes, a newer and a damaged history file, and usage errors.

Usage: python3 test_history_cli.py PATH_TO_ORQ_CLI SOURCE_DIR
"""
import csv
import io
import json
import os
import sqlite3
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tally import check, equal, finish  # noqa: E402

CLI = sys.argv[1]
TODAY = "2026-12-10"
TMP = tempfile.mkdtemp(prefix="orq-history-cli-")
DB = os.path.join(TMP, "data", "history.sqlite")
NO_SETTINGS = os.path.join(TMP, "no-such-settings.ini")
ENV = dict(os.environ, LC_ALL="en_US.UTF-8", LANG="en_US.UTF-8", XDG_DATA_HOME=TMP)


def run(*args, db=DB):
    command = [CLI] + list(args) + ["--today", TODAY, "--settings", NO_SETTINGS]
    if db is not None:
        command += ["--history", db]
    result = subprocess.run(command, capture_output=True, env=ENV, timeout=120)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def demo(name, rows, seed):
    path = os.path.join(TMP, name)
    code, _, err = run("make-demo", path, "--rows", str(rows), "--seed", str(seed), db=None)
    check("make-demo " + name, code == 0, err)
    return path


def weeks_json(*options, db=DB):
    code, out, err = run("history", "weeks", "--json", *options, db=db)
    check("weeks %s" % (options,), code == 0, err)
    return json.loads(out)["weeks"] if code == 0 else []


COMPONENT_ROWS = {"ra": 1, "ar": 6}
GROUP_ROWS = {"grad": 1, "senior": 2, "other": 3}
METRIC_COLUMNS = {"made": 1, "approved": 2, "no_show": 3, "bad": 4}


def expect_weeks_add_up(name, list_path, metrics_options, weeks_options):
    code, out, err = run("metrics", list_path, "--json", *metrics_options, db=None)
    check(name + " metrics", code == 0, err)
    table = json.loads(out)["metrics"]
    weeks = weeks_json(*weeks_options)
    check(name + " has weeks", len(weeks) > 0)
    for component, row in COMPONENT_ROWS.items():
        for metric, column in METRIC_COLUMNS.items():
            total = sum(week[component][metric] for week in weeks)
            equal("%s %s %s" % (name, component, metric), total, int(table[row][column]))
            for group, offset in GROUP_ROWS.items():
                total = sum(week["groups"][component][group][metric] for week in weeks)
                equal("%s %s %s %s" % (name, component, group, metric), total,
                      int(table[row + offset][column]))


# One list recorded: its weeks add up to its metrics table.
first = demo("first.xls", 400, 7)
code, out, err = run("history", "add", first)
equal("add prints a summary", (code, out), (0, "1 recorded, 0 already recorded, 0 failed\n"))
code, out, _ = run("metrics", first, "--json", db=None)
choices = json.loads(out)
station = choices["stations"][1]
recruiter = choices["recruiter_choices"][1]
expect_weeks_add_up("all", first, [], [])
expect_weeks_add_up("station", first, ["--station", station], ["--station", station])
expect_weeks_add_up("recruiter", first, ["--recruiter", recruiter], ["--recruiter", recruiter])
mode = os.stat(DB).st_mode & 0o777
equal("history file mode", oct(mode), oct(0o600))
equal("history folder mode", oct(os.stat(os.path.dirname(DB)).st_mode & 0o777), oct(0o700))

# Weeks are named by their Monday and follow each other.
weeks = weeks_json()
mondays = [week["week"] for week in weeks]
check("weeks are Mondays", all(
    subprocess.run(["date", "-d", m, "+%u"], capture_output=True).stdout.strip() == b"1"
    for m in mondays[:3]), mondays[:3])
bounded = weeks_json("--from", mondays[1], "--to", mondays[2])
equal("--from/--to", [w["week"] for w in bounded], mondays[1:3])

# The same list twice is stored once.
code, out, err = run("history", "add", first, first)
equal("the same list again", (code, out), (0, "0 recorded, 2 already recorded, 0 failed\n"))
code, out, err = run("history", "lists", "--json")
lists = json.loads(out)["lists"]
equal("one list", len(lists), 1)
equal("list keys", sorted(lists[0]), ["file", "period", "recorded", "rows", "sha256"])
equal("list file", lists[0]["file"], first)
equal("list rows", lists[0]["rows"], 400)

# A damaged file among the lists is named and the others are recorded.
broken = os.path.join(TMP, "broken.xls")
with open(broken, "wb") as out_file:
    out_file.write(b"\xd0\xcf\x11\xe0 not really a workbook")
second = demo("second.xls", 150, 8)
code, out, err = run("history", "add", broken, second)
equal("damaged list skipped", (code, out), (1, "1 recorded, 0 already recorded, 1 failed\n"))
check("damaged list named", err.startswith(broken + ": "), err)

# CSV: RFC 4180 header and one line per week, LF only.
code, out, err = run("history", "weeks", "--csv")
check("csv exit", code == 0, err)
check("csv lines end with LF", "\r" not in out and out.endswith("\n"))
rows = list(csv.reader(io.StringIO(out)))
equal("csv header", rows[0], ["Week", "RA Made", "RA Approved", "RA No Shows", "RA Bad",
                              "RA Cdct %", "AR Made", "AR Approved", "AR No Shows", "AR Bad",
                              "AR Cdct %"])
weeks = weeks_json()
equal("csv rows", len(rows) - 1, len(weeks))
equal("csv first row", rows[1][:5], [weeks[0]["week"], str(weeks[0]["ra"]["made"]),
                                     str(weeks[0]["ra"]["approved"]),
                                     str(weeks[0]["ra"]["no_show"]), str(weeks[0]["ra"]["bad"])])

# Forget: by file, then by date; an unknown file is an error and forgets nothing.
code, out, err = run("history", "forget", os.path.join(TMP, "nothing.xls"))
check("forget unknown", code == 1 and "is not in the history" in err, err)
code, out, err = run("history", "forget", second)
equal("forget by file", (code, out), (0, "1 list forgotten\n"))
expect_weeks_add_up("after forget", first, [], [])
code, out, err = run("history", "forget", "--before", "2027-01-01")
equal("forget before", (code, out), (0, "1 list forgotten\n"))
equal("empty after forgetting", weeks_json(), [])

# Usage errors.
for args in (["history"], ["history", "nosuch"], ["history", "weeks", "--csv", "--json"],
             ["history", "lists", "--station", "X"], ["history", "forget"],
             ["history", "weeks", "--from", "12/1/2026"], ["history", "add"]):
    code, _, err = run(*args)
    equal("usage %s" % args, code, 2)

# A newer history is refused and left as it is.
newer = os.path.join(TMP, "newer.sqlite")
connection = sqlite3.connect(newer)
connection.execute("PRAGMA user_version = 9")
connection.commit()
connection.close()
before = open(newer, "rb").read()
code, out, err = run("history", "add", first, db=newer)
check("newer refused", code == 1 and "newer version of ORQ (schema 9)" in err, err)
equal("newer untouched", open(newer, "rb").read(), before)

# A damaged history is set aside with the date and a new one started; the list is recorded.
damaged = os.path.join(TMP, "damaged.sqlite")
with open(damaged, "wb") as out_file:
    out_file.write(b"this is no database" * 100)
code, out, err = run("history", "add", first, db=damaged)
equal("damaged history: list recorded", (code, out), (0, "1 recorded, 0 already recorded, 0 failed\n"))
check("damaged history: message", "was damaged; it was set aside as" in err, err)
check("damaged history: set aside", os.path.exists(damaged + ".damaged-" + TODAY))

# The default history lives in $XDG_DATA_HOME/orq.
code, out, err = run("history", "add", first, db=None)
check("default history", code == 0 and os.path.exists(os.path.join(TMP, "orq", "history.sqlite")),
      err)

sys.exit(finish())
