#!/usr/bin/python3
"""Workbooks written by the program, read by independent readers: `orq-cli make-demo` and
`orq-cli report ... --xls` checked with xlrd (values, fonts, fills, alignment, column widths, row
heights) and olefile (compound-file structure, page setup record), and read back through the
program's own reader.

Usage: python3 test_export_xlrd.py PATH_TO_ORQ_CLI SOURCE_DIR
"""
import json
import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tally import check, equal, finish  # noqa: E402

import olefile
import xlrd
import xlwt

CLI = sys.argv[1]
TODAY = "2024-03-14"
NO_SETTINGS = os.path.join(tempfile.gettempdir(), "orq-no-such-settings.ini")

def run(*args, today=TODAY, locale="en_US.UTF-8"):
    words = [CLI] + list(args) + ["--today", today, "--settings", NO_SETTINGS]
    env = dict(os.environ, LC_ALL=locale, LANG=locale)
    result = subprocess.run(words, capture_output=True, env=env, timeout=120)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def records(stream):
    at, out = 0, []
    while at + 4 <= len(stream):
        rid, size = struct.unpack_from("<HH", stream, at)
        if rid == 0:
            break
        out.append((rid, stream[at + 4:at + 4 + size]))
        at += 4 + size
    return out


def sheet_records(path):
    stream = olefile.OleFileIO(path).openstream("Workbook").read()
    recs = records(stream)
    bofs = [i for i, (rid, _) in enumerate(recs) if rid == 0x0809]
    return recs[bofs[1]:]


def palette_of(bgr):
    """The BIFF colour index NearestPaletteIndex picks for the report's own colours."""
    return {0xFFFFFF: 9, 0x000000: 8, 0xCAFFFF: 26, 0xF5ADB2: 24, 0x000080: 16}[bgr]


# ---------------------------------------------------------------- make-demo

def check_demo(folder):
    path = os.path.join(folder, "demo.xls")
    code, out, err = run("make-demo", path, "--rows", "300", "--seed", "7")
    equal("make-demo exit", (code, err), (0, ""))

    ole = olefile.OleFileIO(path)
    equal("demo streams", sorted("/".join(n) for n in ole.listdir()),
          ["\x05DocumentSummaryInformation", "\x05SummaryInformation", "Workbook"])
    ole.close()

    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    equal("demo rows", sheet.nrows, 9 + 300 + 1)  # title, headings, data, end marker
    equal("demo columns", sheet.ncols, 27)
    equal("APP TYPE heading", sheet.cell_value(8, 5), "APP TYPE")
    check("end marker", sheet.cell_value(sheet.nrows - 1, 0).upper().startswith("ANY "))
    equal("demo RSID width", sheet.colinfo_map[0].width, 6 * 256)

    # The program's own reader returns the same cells.
    code, out, err = run("cells", path, "--json")
    equal("cells exit", code, 0)
    ours = {(r, c): value for r, c, kind, value in json.loads(out)["cells"]}
    theirs = {}
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype in (xlrd.XL_CELL_TEXT, xlrd.XL_CELL_NUMBER):
                theirs[(r + 1, c + 1)] = cell.value
    equal("demo cells read back", ours, theirs)

    # The list loads and fills every report.
    code, out, err = run("metrics", path)
    equal("demo loads", (code, err), (0, ""))
    for kind in ["yesterday", "today", "48hr", "72hr", "no-shows", "all", "high-est", "testers"]:
        code, out, err = run("report", kind, path)
        last = out.strip().splitlines()[-1] if out.strip() else ""
        check("demo report " + kind, code == 0 and last.endswith("appointment(s) selected"),
              "%d %r %r" % (code, last, err))

    # The same seed writes the same bytes; an existing file is kept unless --overwrite.
    again = os.path.join(folder, "again.xls")
    run("make-demo", again, "--rows", "300", "--seed", "7")
    check("demo reproducible", open(path, "rb").read() == open(again, "rb").read())
    code, out, err = run("make-demo", again, "--rows", "5")
    check("demo refuses existing file", code == 1 and "already exists" in err, err)
    code, out, err = run("make-demo", again, "--rows", "5", "--overwrite")
    equal("demo --overwrite", code, 0)
    equal("demo overwritten", xlrd.open_workbook(again).sheet_by_index(0).nrows, 9 + 5 + 1)
    code, out, err = run("make-demo", os.path.join(folder, "x.xls"), "--rows", "65528")
    equal("demo row limit is a usage error", code, 2)

    # Under a day/month/year locale the dates follow the machine's format and the list loads.
    gb = os.path.join(folder, "gb.xls")
    code, out, err = run("make-demo", gb, "--rows", "50", locale="en_GB.UTF-8")
    equal("GB demo exit", code, 0)
    made = xlrd.open_workbook(gb).sheet_by_index(0).cell_value(9, 10)
    check("GB demo date order", made.split(" ")[0].count("/") == 2 and
          int(made.split("/")[0]) <= 31, made)
    code, out, err = run("metrics", gb, locale="en_GB.UTF-8")
    check("GB demo loads", code == 0 and " to 13/03/2024, " in out, out + err)
    return path


# ---------------------------------------------------------------- report --xls

def report_json(kind, apl, *options):
    code, out, err = run("report", kind, apl, "--json", *options)
    equal("report %s exit" % kind, (code, err), (0, ""))
    return json.loads(out)


def check_export(kind, apl, folder):
    data = report_json(kind, apl)
    path = os.path.join(folder, kind + ".xls")
    code, out, err = run("report", kind, apl, "--xls", path)
    equal("export %s exit" % kind, (code, err), (0, ""))
    book = xlrd.open_workbook(path, formatting_info=True)
    equal("export %s one sheet" % kind, book.sheet_names(), ["Sheet1"])
    sheet = book.sheet_by_index(0)
    columns = data["columns"]
    equal("export %s size" % kind, (sheet.nrows, sheet.ncols), (1 + len(data["rows"]), len(columns)))
    equal("export %s headers" % kind, sheet.row_values(0), columns)
    for r, row in enumerate(data["rows"], start=1):
        texts = [t.replace("\r\n", "\n").replace("\r", "\n") for t in row]
        if sheet.row_values(r) != texts:
            equal("export %s row %d" % (kind, r), sheet.row_values(r), texts)
            break
    # Every cell, empty or not, is there with its own format; no cell holds a number.
    types = {sheet.cell_type(r, c) for r in range(sheet.nrows) for c in range(sheet.ncols)}
    check("export %s cell types" % kind, types <= {xlrd.XL_CELL_TEXT, xlrd.XL_CELL_BLANK}, types)

    def font(r, c):
        return book.font_list[book.xf_list[sheet.cell_xf_index(r, c)].font_index]

    def xf(r, c):
        return book.xf_list[sheet.cell_xf_index(r, c)]

    header = font(0, 0)
    equal("header font", (header.name, header.height, header.weight, header.colour_index),
          ("Tahoma", 165, 700, 8))
    # The header row's button-face colour is not white: a solid fill of the nearest colour.
    equal("header fill", (xf(0, 0).background.fill_pattern,
                          xf(0, 0).background.pattern_colour_index), (1, 9))
    for r in range(1, sheet.nrows):
        for c in range(sheet.ncols):
            f, x = font(r, c), xf(r, c)
            background = data["background"][r - 1][c] or "FFFFFF"
            color = data["font_color"][r - 1][c] or "000000"
            expected_fill = (0, 9) if background == "FFFFFF" else (1, palette_of(int(background, 16)))
            got = (f.name, f.height, f.weight, f.colour_index, x.background.fill_pattern,
                   x.background.pattern_colour_index if x.background.fill_pattern else 9,
                   x.alignment.hor_align, x.alignment.vert_align)
            want = ("Tahoma", 165, 400, palette_of(int(color, 16))) + expected_fill + (1, 0)
            if got != want:
                equal("export %s format of (%d, %d)" % (kind, r, c), got, want)
                return data, sheet
    heights = {sheet.rowinfo_map[r].height for r in range(sheet.nrows)}
    equal("export %s row heights" % kind, heights, {330})
    equal("export %s first widths" % kind,
          [sheet.colinfo_map[c].width for c in (0, 1)], [1243, 2597])  # 34 and 71 pixels

    setup = [body for rid, body in sheet_records(path) if rid == 0x00A1][0]
    scale, options = struct.unpack_from("<H", setup, 2)[0], struct.unpack_from("<H", setup, 10)[0]
    equal("export %s page setup" % kind, (scale, options & 0x06), (100, 0x02))  # portrait
    return data, sheet


def check_overwrite(apl, folder):
    path = os.path.join(folder, "twice.xls")
    code, _, err = run("report", "today", apl, "--xls", path)
    equal("first save", code, 0)
    before = open(path, "rb").read()
    code, _, err = run("report", "all", apl, "--xls", path)
    equal("existing file refused", (code, err.strip()), (1, "File %s already exists." % path))
    check("existing file untouched", open(path, "rb").read() == before)
    code, _, err = run("report", "all", apl, "--xls", path, "--overwrite")
    equal("--overwrite replaces", code, 0)
    check("file replaced", open(path, "rb").read() != before)
    equal("no temporary files left", sorted(f for f in os.listdir(folder) if "twice" in f),
          ["twice.xls"])
    code, _, err = run("report", "all", apl, "--xls", os.path.join(folder, "no", "such", "x.xls"))
    check("unwritable folder fails", code == 1 and err.strip(), err)


# ---------------------------------------------------------------- texts

TRICKY = ["=1+2", "{\\rtf1\\ansi {\\fonttbl{\\f0 Tahoma;}}\\f0 RICH\\par TEXT}", "LINE1\r\nLINE2",
          "CR\rONLY", "<b>X</b>", "ZO\u00cb \u20ac", "=HYPERLINK(\"http://example.org\")"]


def write_tricky_apl(path):
    book = xlwt.Workbook()
    sheet = book.add_sheet("APL")
    sheet.write(0, 0, "APPLICANT PROCESSING LIST")
    headings = ["RSID", "RECRUITER", "APPLICANT", "PHONE", "COMP", "APP TYPE", "PS", "SEX", "ED",
                "LEAD SOURCE", "APPT MADE", "APPT SCHEDULED", "APPT CONDUCTED", "EST",
                "TEST DATE", "QT", "PHYSICAL DATE", "PULHES", "C19", "C20", "NEXT ACTION",
                "NEXT ACTION DATE", "C23", "DISPOSITION", "APPROVED MAKE", "APPROVED COND", "C27"]
    for c, text in enumerate(headings):
        sheet.write(8, c, text)
    for i, dispo in enumerate(TRICKY):
        row = ["1A2B", "1A2BSMITH, JOHN", "DOE%d, JANE" % i, "555-0100", "A", "N", "N", "M",
               "13A", "WALK IN", "3/10/2024 10:30:00 AM", "3/%d/2024 9:00:00 AM" % (11 + i), "",
               "", "", "", "", "", "", "", "", "", "", dispo, "Y", "", ""]
        for c, value in enumerate(row):
            if value != "":
                sheet.write(9 + i, c, value)
    book.save(path)


def check_texts(folder):
    apl = os.path.join(folder, "tricky.xls")
    write_tricky_apl(apl)
    out = os.path.join(folder, "tricky_all.xls")
    code, _, err = run("report", "all", apl, "--xls", out)
    equal("tricky export", (code, err), (0, ""))
    book = xlrd.open_workbook(out, formatting_info=True)
    sheet = book.sheet_by_index(0)
    dispo = sheet.row_values(0).index("Dispo")
    by_name = {sheet.cell_value(r, 2): r for r in range(1, sheet.nrows)}
    expected = ["=1+2", "RICH\nTEXT", "LINE1\nLINE2", "CR\nONLY", "<b>X</b>", "ZO\u00cb \u20ac",
                "=HYPERLINK(\"http://example.org\")"]
    for i, text in enumerate(expected):
        r = by_name["Doe%d, Jane" % i]
        cell = sheet.cell(r, dispo)
        equal("text %d kept as text" % i, (cell.ctype, cell.value), (xlrd.XL_CELL_TEXT, text))
        wrapped = book.xf_list[sheet.cell_xf_index(r, dispo)].alignment.text_wrapped
        equal("wrap of text %d" % i, wrapped, 1 if "\n" in text else 0)
    # No FORMULA record anywhere in the sheet.
    check("no formula records", all(rid != 0x0006 for rid, _ in sheet_records(out)))


def main():
    with tempfile.TemporaryDirectory() as folder:
        demo = check_demo(folder)
        check_export("all", demo, folder)
        check_export("today", demo, folder)
        data, sheet = check_export("high-est", demo, folder)
        equal("hidden column left out", "ApptSch" in data["columns"], False)
        equal("high-est columns", sheet.ncols, 18)
        check_overwrite(demo, folder)
        check_texts(folder)
    return finish()


if __name__ == "__main__":
    sys.exit(main())
