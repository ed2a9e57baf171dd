#!/usr/bin/python3
"""End-to-end checks of the conventions every orq-cli command keeps: --version and --help, the
end of the options, standard input and output as "-", write errors, usage errors that name the
choices, allocation failures, CSV output equal to the JSON rows, and text output that is safe
for a terminal.

Usage: python3 test_cli_conventions.py PATH_TO_ORQ_CLI SOURCE_DIR
"""
import csv
import io
import json
import os
import resource
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tally import check, equal, finish  # noqa: E402

CLI, SOURCE = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(SOURCE, "tests", "fixtures", "reports"))
import make_reports  # noqa: E402

REPORTS = os.path.join(SOURCE, "tests", "fixtures", "reports", "reports.xls")
TODAY = "2008-03-31"
NO_SETTINGS = os.path.join(tempfile.gettempdir(), "orq-no-such-settings.ini")
REPORT_TYPES = ["yesterday", "today", "48hr", "72hr", "no-shows", "all", "high-est", "testers"]


def run(*args, stdin=None, stdout=subprocess.PIPE, limit_mb=None):
    words = [CLI] + list(args)
    env = dict(os.environ, LC_ALL="en_US.UTF-8", LANG="en_US.UTF-8")

    def limit():
        if limit_mb:
            resource.setrlimit(resource.RLIMIT_AS, (limit_mb << 20, limit_mb << 20))
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

    result = subprocess.run(words, input=stdin if isinstance(stdin, bytes) else None,
                            stdin=None if isinstance(stdin, bytes) else stdin, stdout=stdout,
                            stderr=subprocess.PIPE, env=env, timeout=120, preexec_fn=limit)
    return result.returncode, result.stdout or b"", result.stderr.decode("utf-8", "replace")


def common(*args):
    return list(args) + ["--today", TODAY, "--settings", NO_SETTINGS]


def check_argument_lines(demo):
    # (argument line, exit code, the stream that must hold the text, the text)
    cases = [
        (["--version"], 0, "out", "orq-cli "),
        (["metrics", "--help"], 0, "out", "usage: orq-cli metrics FILE"),
        (["report", "all", demo, "--help"], 0, "out", "usage: orq-cli report TYPE FILE"),
        (["cells", "-h"], 0, "out", "usage: orq-cli cells FILE"),
        (["history", "--help"], 0, "out", "usage: orq-cli history add"),
        (["metrics", "-x", demo], 2, "err", "unknown option -x"),
        (["metrics", demo, "--bogus"], 2, "err", "unknown option --bogus"),
        (["metrics"], 2, "err", "missing FILE"),
        (["report", "all", demo, "--json", "--csv"], 2, "err", "exclude each other"),
        (["cells", demo, "--csv"], 2, "err", "unknown option --csv"),
        (["report", "all", demo, "--xls", "-", "--json"], 2, "err", "--xls -"),
        # "--" ends the options: a file named "--json" is looked for, not an option taken.
        (["cells", "--", "--json"], 1, "err", "--json"),
        (common("metrics") + ["--", demo], 0, "out", "Pending Conducts"),
        (common("metrics", demo, "--station", "NOPE"), 2, "err",
         "station NOPE is not in the list; the choices are ALL, 3G1A, 3G1B, 3G2C, 3G4D"),
        (common("report", "all", demo, "--recruiter", "NOBODY"), 2, "err",
         "the choices are ALL, BROWN, ASHLEY, GARCIA, MARIA"),
        (["cells", demo, "--sheet", "2"], 2, "err",
         '--sheet 2 is out of range: the sheets are 1 "Sheet1"'),
        (["cells", "-"], 1, "err", ""),  # nothing on standard input: not a workbook
        (common("report", "everything", demo), 2, "err", "report type 'everything'"),
    ]
    for words, code, stream, text in cases:
        actual, out, err = run(*words, stdin=b"")
        name = " ".join(os.path.basename(w) if w == demo else w for w in words)
        equal("exit of " + name, actual, code)
        where = out.decode("utf-8", "replace") if stream == "out" else err
        check("%s: %r on std%s" % (name, text, stream), text in where, where[:300])
        if code == 0:
            equal("nothing on stderr: " + name, err, "")


def check_any_letter_case(demo):
    # A recruiter in another letter case is the one choice it matches.
    upper = run(*common("metrics", demo, "--recruiter", "SMITH, JOHN", "--json"))
    lower = run(*common("metrics", demo, "--recruiter", "smith, John", "--json"))
    equal("recruiter in any case: exit", lower[0], 0)
    equal("recruiter in any case: same metrics", lower[1], upper[1])
    code, out, _ = run(*common("report", "all", demo, "--recruiter", "smith, john", "--json"))
    equal("report recruiter in any case", code, 0)
    names = json.loads(out)["rows"] if code == 0 else []
    check("report recruiter in any case: rows", len(names) > 1)


def check_standard_streams(demo, folder):
    with open(demo, "rb") as stream:
        data = stream.read()
    for words, options in ((["metrics"], ["--json"]), (["cells"], []), (["report", "all"], ["--csv"])):
        from_file = run(*common(*words, demo, *options))
        from_input = run(*common(*words, "-", *options), stdin=data)
        equal("'-' reads standard input: %s" % words, from_input, from_file)
    # --xls - writes the workbook (and nothing else) to standard output.
    saved = os.path.join(folder, "saved.xls")
    code, _, err = run(*common("report", "today", demo, "--xls", saved))
    equal("--xls FILE", (code, err), (0, ""))
    code, out, err = run(*common("report", "today", demo, "--xls", "-"))
    equal("--xls -", (code, err), (0, ""))
    with open(saved, "rb") as stream:
        equal("--xls - writes the same workbook", out, stream.read())


def check_write_errors(demo):
    with open("/dev/full", "wb") as full:
        code, _, err = run(*common("report", "all", demo), stdout=full)
    equal("/dev/full: exit", code, 1)
    check("/dev/full: message", "cannot write the output: No space left on device" in err, err)
    # A pipe whose reader has gone: EPIPE, not a death by SIGPIPE.
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        code, _, err = run(*common("report", "all", demo, "--json"), stdout=write_end)
    finally:
        os.close(write_end)
    equal("closed pipe: exit", code, 1)
    check("closed pipe: message", "cannot write the output: Broken pipe" in err, err)


def check_out_of_memory():
    # Standard input that never ends under a 400 MB address space: the read's buffer cannot
    # grow to the 1 GiB limit. A build whose start already needs more (a sanitizer's shadow
    # memory) cannot take part.
    if run("--version", limit_mb=400)[0] != 0:
        print("skip: orq-cli does not start under a 400 MB address space")
        return
    for words in (["metrics", "-"], ["cells", "-"], ["report", "all", "-", "--json"]):
        with open("/dev/zero", "rb") as zero:
            code, out, err = run(*common(*words), stdin=zero, limit_mb=400)
        equal("out of memory: %s" % words, (code, err), (1, "Out of memory.\n"))


def parse_csv(data):
    text = data.decode("utf-8")
    check("CSV lines end with LF only", "\r" not in text)
    return list(csv.reader(io.StringIO(text, newline="")))


def lf(rows):
    return [[cell.replace("\r\n", "\n").replace("\r", "\n") for cell in row] for row in rows]


def check_csv(demo):
    for fixture in (demo, REPORTS):
        today = "2008-03-31"
        for kind in REPORT_TYPES:
            code, out, _ = run("report", kind, fixture, "--json", "--today", today)
            data = json.loads(out)
            code, out, err = run("report", kind, fixture, "--csv", "--today", today)
            equal("report %s --csv exit" % kind, (code, err), (0, ""))
            equal("report %s --csv = JSON" % kind, parse_csv(out),
                  lf([data["columns"]] + data["rows"]))
        for kind in ("past-due", "broken"):
            code, out, _ = run(kind, fixture, "--json", "--today", today)
            data = json.loads(out)
            code, out, err = run(kind, fixture, "--csv", "--today", today)
            rows = parse_csv(out)
            equal("%s --csv exit" % kind, (code, err), (0, ""))
            equal("%s --csv rows = JSON" % kind, rows[1:], lf(data["rows"]))
            check("%s --csv header" % kind, rows and len(rows[0]) == len(data["rows"][0]))
    code, out, _ = run(*common("metrics", demo, "--json"))
    data = json.loads(out)
    code, out, err = run(*common("metrics", demo, "--csv"))
    equal("metrics --csv exit", (code, err), (0, ""))
    text = out.decode("utf-8")
    metrics, _, pending = text.partition("\n\n")
    equal("metrics --csv: metrics table", parse_csv(metrics.encode() + b"\n"),
          lf(data["metrics"]))
    equal("metrics --csv: pending table", parse_csv(pending.encode()), lf(data["pending"]))


def check_stations(demo):
    code, out, _ = run(*common("metrics", demo, "--json"))
    choices = json.loads(out)
    code, out, err = run(*common("stations", demo, "--json"))
    equal("stations exit", (code, err), (0, ""))
    stations = json.loads(out)["stations"]
    equal("stations: the station selector's items", [s["rsid"] for s in stations],
          choices["stations"][1:])
    for station in stations:
        code, out, _ = run(*common("metrics", demo, "--station", station["rsid"], "--json"))
        equal("stations: recruiters of " + station["rsid"], station["recruiters"],
              json.loads(out)["recruiter_choices"][1:])
    code, out, _ = run(*common("stations", demo, "--csv"))
    pairs = [[s["rsid"], r] for s in stations for r in s["recruiters"]]
    equal("stations --csv", parse_csv(out), [["RSID", "Rctr"]] + pairs)
    code, out, _ = run(*common("stations", demo))
    equal("stations text", out.decode().splitlines(),
          ["\t".join([s["rsid"]] + s["recruiters"]) for s in stations])


def check_terminal_text(folder):
    # A name holding ESC, a tab and the one-byte CSI: text output shows them escaped and keeps
    # the columns where they are; JSON keeps the text as it is.
    hostile = "EVIL\x1b[2J, TAB\tBY\u009bME"
    path = os.path.join(folder, "hostile.xls")
    records = make_reports.RECORDS[:2] + [make_reports.record(
        rsid="1A2B", rctr="1A2BSMITH, JOHN", name=hostile, sched=make_reports.d(3, 31))]
    make_reports.write_list(path, records)
    code, out, err = run("report", "today", path, "--today", TODAY, "--settings", NO_SETTINGS)
    equal("hostile report exit", (code, err), (0, ""))
    text = out.decode("utf-8")
    check("report text: no raw control character",
          not any(ord(ch) < 32 and ch != "\n" or 0x7f <= ord(ch) <= 0x9f for ch in text
                  if ch != "\t"), repr(text))
    lines = text.splitlines()
    header = lines[1].split("\t")
    row = next(line for line in lines if "Evil" in line).split("\t")
    equal("report text: columns kept", len(row), len(header))
    equal("report text: the name shown escaped", row[header.index("Name")],
          "Evil\\x1b[2j, Tab By\\u009bme")
    code, out, _ = run("cells", path)
    line = next(line for line in out.decode().splitlines() if "EVIL" in line)
    equal("cells text: the value shown escaped", line.split("\t")[3],
          "EVIL\\x1b[2J, TAB BY\\u009bME")
    code, out, _ = run("cells", path, "--json")
    check("cells JSON keeps the text", any(cell[3] == hostile for cell in json.loads(out)["cells"]))


def check_long_cell(folder):
    # A name as long as a cell holds, of characters that escaping makes longer than the output
    # buffer: every format writes it whole, and the rows around it stay as they are.
    long_name = '"' * 16000 + "\u00e9" * 16000
    path = os.path.join(folder, "long.xls")
    records = make_reports.RECORDS[:2] + [make_reports.record(
        rsid="1A2B", rctr="1A2BSMITH, JOHN", name=long_name, sched=make_reports.d(3, 31))]
    make_reports.write_list(path, records)
    args = ("report", "all", path, "--today", TODAY, "--settings", NO_SETTINGS)
    code, out, err = run(*args, "--json")
    equal("long cell: JSON exit", (code, err), (0, ""))
    data = json.loads(out)
    names = [row[data["columns"].index("Name")] for row in data["rows"]]
    check("long cell: JSON keeps the name", long_name in names, len(names))
    equal("long cell: JSON rows", len(data["rows"]), len(data["background"]))
    code, out, _ = run(*args, "--csv")
    rows = parse_csv(out)
    check("long cell: CSV keeps the name", long_name in [row[rows[0].index("Name")] for row in rows])
    equal("long cell: CSV rows", len(rows), len(data["rows"]) + 1)
    code, out, _ = run(*args)
    lines = out.decode("utf-8").splitlines()
    check("long cell: text keeps the name", any(long_name in line for line in lines))
    equal("long cell: text lines", len(lines), len(data["rows"]) + 3)


def main():
    with tempfile.TemporaryDirectory() as folder:
        demo = os.path.join(folder, "demo.xls")
        code, _, err = run("make-demo", demo, "--rows", "400", "--today", TODAY)
        equal("make-demo", (code, err), (0, ""))
        check_argument_lines(demo)
        check_any_letter_case(demo)
        check_standard_streams(demo, folder)
        check_write_errors(demo)
        check_out_of_memory()
        check_csv(demo)
        check_stations(demo)
        check_terminal_text(folder)
        check_long_cell(folder)
    return finish()


if __name__ == "__main__":
    sys.exit(main())
