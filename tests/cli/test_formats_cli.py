#!/usr/bin/python3
"""End-to-end checks of the three list formats: every processing-list fixture (tests/fixtures/apl,
tests/fixtures/reports) read as .xls, as .xlsx written by LibreOffice and by python3-openpyxl,
and as .csv written by LibreOffice (tests/fixtures/converted/make_converted.sh), gives the same
metrics, reports, past-due and broken lists. The .csv must agree where the .xls holds only text
cells (python3-xlrd tells); a list with numbers or dates in its cells reads them as the text
LibreOffice printed, which the loader turns into the same values, except where a number stands
in the station column: the .xls fails the load, the .csv holds it as text. The reader goes by the content: an .xlsx or .csv named .xls opens the same.

Usage: python3 test_formats_cli.py PATH_TO_ORQ_CLI SOURCE_DIR
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile

import xlrd

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tally import check, equal, finish  # noqa: E402

CLI, SOURCE = sys.argv[1], sys.argv[2]
FIXTURES = os.path.join(SOURCE, "tests", "fixtures")
CONVERTED = os.path.join(FIXTURES, "converted")
TODAY = "2008-03-31"
NO_SETTINGS = os.path.join(tempfile.gettempdir(), "orq-no-such-settings.ini")
COMMANDS = [["metrics"]] + [["report", kind] for kind in (
    "yesterday", "today", "48hr", "72hr", "no-shows", "all", "high-est", "testers")] + [
    ["report", "all", "--hide-terminated"], ["past-due"], ["broken"]]


def run(command, path):
    # "report KIND FILE OPTIONS", "metrics FILE".
    words = [CLI] + command[:2 if command[0] == "report" else 1] + [path] + \
        command[2 if command[0] == "report" else 1:] + [
            "--today", TODAY, "--settings", NO_SETTINGS, "--json"]
    env = dict(os.environ, LC_ALL="en_US.UTF-8", LANG="en_US.UTF-8")
    result = subprocess.run(words, capture_output=True, env=env, timeout=60)
    # A message that names the file names it as given: compare without the name.
    err = result.stderr.decode("utf-8").replace(path, "LIST")
    return result.returncode, result.stdout.decode("utf-8"), err


def outputs(path):
    return [run(command, path) for command in COMMANDS]


def only_text(path):
    sheet = xlrd.open_workbook(path).sheet_by_index(0)
    for r in range(sheet.nrows):
        for cell in sheet.row(r):
            if cell.ctype not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK, xlrd.XL_CELL_TEXT):
                return False
    return True


def compare(name, label, actual, expected):
    for command, got, want in zip(COMMANDS, actual, expected):
        equal("%s as %s: %s" % (name, label, " ".join(command)), got, want)


lists = sorted(glob.glob(os.path.join(FIXTURES, "apl", "*.xls")) +
               glob.glob(os.path.join(FIXTURES, "reports", "*.xls")))
check("fixtures found", len(lists) >= 10, str(lists))
work = tempfile.mkdtemp()
text_lists = 0
try:
    for xls in lists:
        name = os.path.splitext(os.path.basename(xls))[0]
        expected = outputs(xls)
        for label, path in (("LibreOffice .xlsx", os.path.join(CONVERTED, "lo", name + ".xlsx")),
                            ("openpyxl .xlsx", os.path.join(CONVERTED, "openpyxl", name + ".xlsx"))):
            compare(name, label, outputs(path), expected)
        csv = os.path.join(CONVERTED, "lo", name + ".csv")
        text_lists += only_text(xls)
        if name != "bad_number_station":
            compare(name, "LibreOffice .csv", outputs(csv), expected)
        else:
            check("bad_number_station fails as .xls, loads as .csv",
                  run(["metrics"], xls)[0] == 1 and run(["metrics"], csv)[0] == 0)
        # Named .xls, the converted lists open by their content.
        for source in (os.path.join(CONVERTED, "lo", name + ".xlsx"), csv):
            renamed = os.path.join(work, name + ".xls")
            shutil.copyfile(source, renamed)
            equal("%s: %s named .xls" % (name, os.path.basename(source)),
                  run(["metrics"], renamed), run(["metrics"], source))
    check("lists of text only compared as .csv", text_lists >= 2, str(text_lists))

    # What is neither a compound file, nor a zip archive, nor text.
    binary = os.path.join(work, "binary.xls")
    with open(binary, "wb") as out:
        out.write(b"\x7fELF\x02\x01\x01\x00" + bytes(64))
    code, out, err = run(["metrics"], binary)
    equal("binary file refused", (code, err), (1, 'The file "LIST" is invalid.\n'))
finally:
    shutil.rmtree(work)

sys.exit(finish())
