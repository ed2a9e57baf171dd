"""Compares `orq-cli cells --json` with python3-xlrd on every sheet of the reader fixtures and
of a workbook large enough that its compound file needs more than 109 FAT sectors.

    python3 test_cells_xlrd.py PATH_TO_ORQ_CLI SOURCE_DIR
"""

import glob
import json
import os
import struct
import subprocess
import sys
import tempfile

import xlrd
import xlwt

ERROR_TEXTS = {0x00: "#NULL!", 0x07: "#DIV/0!", 0x0F: "#VALUE!", 0x17: "#REF!",
               0x1D: "#NAME?", 0x24: "#NUM!", 0x2A: "#N/A"}


def expected_cells(sheet):
    """{(row, column): (kinds accepted, value)} of the sheet's cells as xlrd reads them."""
    cells = {}
    for r in range(sheet.nrows):
        for c, cell in enumerate(sheet.row(r)):
            key = (r + 1, c + 1)
            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            if cell.ctype == xlrd.XL_CELL_TEXT:
                # xlrd reads a formula's empty result as an empty text; the program reads it
                # as an empty cell or an empty 8-bit text.
                if cell.value == "":
                    cells[key] = ({"text", "text8", None}, "")
                else:
                    cells[key] = ({"text"}, cell.value)
            elif cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
                cells[key] = ({"number"}, float(cell.value))
            elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                cells[key] = ({"bool"}, bool(cell.value))
            elif cell.ctype == xlrd.XL_CELL_ERROR:
                # An error cell reads as wide text, a formula's error result as 8-bit text.
                cells[key] = ({"text", "text8"}, ERROR_TEXTS.get(cell.value, "#NULL!"))
    return cells


def actual_cells(cli, path, sheet_number):
    run = subprocess.run([cli, "cells", path, "--sheet", str(sheet_number), "--json"],
                         capture_output=True, text=True)
    if run.returncode != 0:
        raise AssertionError("orq-cli failed (%d): %s" % (run.returncode, run.stderr.strip()))
    cells = {}
    previous = (0, 0)
    for row, column, kind, value in json.loads(run.stdout)["cells"]:
        if (row, column) <= previous:
            raise AssertionError("cells out of order at %r" % ((row, column),))
        previous = (row, column)
        cells[(row, column)] = (kind, value)
    return cells


def compare(cli, path):
    """Returns a list of mismatch descriptions for every sheet of the workbook."""
    problems = []
    book = xlrd.open_workbook(path)
    for index in range(book.nsheets):
        where = "%s sheet %d" % (os.path.basename(path), index + 1)
        expected = expected_cells(book.sheet_by_index(index))
        try:
            actual = actual_cells(cli, path, index + 1)
        except AssertionError as error:
            problems.append("%s: %s" % (where, error))
            continue
        for key in sorted(set(expected) | set(actual)):
            kinds, want = expected.get(key, ({None}, None))
            kind, got = actual.get(key, (None, None))
            if kind not in kinds:
                problems.append("%s %r: kind %s, xlrd %r" % (where, key, kind, want))
            elif kind is not None and got != want:
                problems.append("%s %r: %r, xlrd %r" % (where, key, got, want))
    return problems


def fat_sector_count(path):
    with open(path, "rb") as f:
        header = f.read(512)
    return struct.unpack_from("<I", header, 0x2C)[0]


def make_large_workbook(path):
    """About 8 MB of distinct strings and numbers: more FAT sectors than the header holds."""
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Large")
    for r in range(40000):
        row = sheet.row(r)
        for c in range(5):
            row.set_cell_text(c, "%05d-%d station 1A2B recruiter %d" % (r, c, r * 7 + c))
        row.set_cell_number(5, r * 0.25)
    book.add_sheet("Tail").write(3, 3, "tail")
    book.save(path)


def main():
    cli, source = sys.argv[1], sys.argv[2]
    fixtures = sorted(glob.glob(os.path.join(source, "tests", "fixtures", "xls", "*.xls")))
    if not fixtures:
        print("no fixtures found")
        return 1
    passed = failed = 0
    results = []
    with tempfile.TemporaryDirectory() as work:
        large = os.path.join(work, "large.xls")
        make_large_workbook(large)
        if fat_sector_count(large) <= 109:
            print("FAIL large.xls: only %d FAT sectors" % fat_sector_count(large))
            failed += 1
        for path in fixtures + [large]:
            problems = compare(cli, path)
            name = os.path.basename(path)
            if problems:
                failed += 1
                print("FAIL %s" % name)
                for problem in problems[:20]:
                    print("  " + problem)
            else:
                passed += 1
                print("ok   %s" % name)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
