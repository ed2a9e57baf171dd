"""The built-in template workbooks: the committed byte arrays are what scripts/make_template.py
builds, and independent readers accept the template as a workbook.

Usage: python3 test_export_template.py PATH_TO_ORQ_CLI SOURCE_DIR
"""
import os
import struct
import subprocess
import sys
import tempfile

import olefile
import xlrd

SOURCE = sys.argv[2]
SCRIPT = os.path.join(SOURCE, "scripts", "make_template.py")
results = []


def check(name, condition, detail=""):
    results.append(bool(condition))
    if not condition:
        print(f"FAIL {name} {detail}")


def records(stream):
    at, out = 0, []
    while at + 4 <= len(stream):
        rid, size = struct.unpack_from("<HH", stream, at)
        if rid == 0:
            break
        out.append((rid, stream[at + 4:at + 4 + size]))
        at += 4 + size
    return out, at


def main():
    check("generated file matches", subprocess.run(
        [sys.executable, SCRIPT, "--check"]).returncode == 0)

    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sys.executable, SCRIPT, "--dump", folder], check=True)
        path = os.path.join(folder, "TAVROEMPTYSHEET.xls")
        check("template size", os.path.getsize(path) == 13824)

        ole = olefile.OleFileIO(path)
        names = sorted("/".join(n) for n in ole.listdir())
        check("three streams", names == ["\x05DocumentSummaryInformation",
                                          "\x05SummaryInformation", "Workbook"], names)
        check("stream sizes", all(ole.get_size(n) == 4096 for n in names))
        meta = ole.get_metadata()
        check("summary", (meta.author, meta.last_saved_by, meta.creating_application,
                          meta.security) == (b"a", b"a", b"Microsoft Excel", 0))
        check("times", (str(meta.create_time), str(meta.last_saved_time)) ==
              ("2003-08-27 16:40:13", "2003-08-27 16:41:24"))
        check("document summary", (meta.company, meta.codepage, meta.version) ==
              (b"a", 1252, 0x000B1338))
        # olefile leaves vector properties undecoded: read headings and titles by hand.
        dsi = ole.openstream("\x05DocumentSummaryInformation").read()
        section = struct.unpack_from("<I", dsi, 44)[0]
        count = struct.unpack_from("<I", dsi, section + 4)[0]
        props = dict(struct.unpack_from("<II", dsi, section + 8 + 8 * i) for i in range(count))
        at = section + props[0x0D]
        check("titles", dsi[at:at + 4] == b"\x1e\x10\0\0" and
              dsi[at + 4:at + 8] == struct.pack("<I", 1) and
              dsi[at + 8:at + 19] == struct.pack("<I", 7) + b"Sheet1\0")
        at = section + props[0x0C]
        check("headings", dsi[at:at + 8] == b"\x0c\x10\0\0" + struct.pack("<I", 2) and
              dsi[at + 8:at + 12] == b"\x1e\0\0\0" and
              dsi[at + 16:at + 27] == b"Worksheets\0" and
              dsi[at + 28:at + 36] == b"\x03\0\0\0" + struct.pack("<I", 1))

        stream = ole.openstream("Workbook").read()
        recs, end = records(stream)
        check("1,704 bytes of records", end == 1704, end)
        check("zero padding", stream[1704:] == bytes(4096 - 1704))
        ids = [rid for rid, _ in recs]
        check("94 records", len(ids) == 94, len(ids))
        expected_head = [0x0809, 0x00E1, 0x00C1, 0x00E2, 0x005C, 0x0042, 0x0161, 0x01C0, 0x013D,
                         0x009C, 0x0019, 0x0012, 0x0013, 0x01AF, 0x01BC, 0x003D, 0x0040, 0x008D,
                         0x0022, 0x000E, 0x01B7, 0x00DA] + [0x0031] * 4 + [0x041E] * 8 + \
            [0x00E0] * 21 + [0x0293] * 6 + [0x0160, 0x0085, 0x008C, 0x01C1, 0x00FC, 0x00FF,
                                             0x0863, 0x000A]
        check("globals record order", ids[:len(expected_head)] == expected_head)
        sheet_ids = [0x0809, 0x020B, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F, 0x002A,
                     0x002B, 0x0082, 0x0080, 0x0225, 0x0081, 0x0014, 0x0015, 0x0083, 0x0084,
                     0x00A1, 0x0055, 0x0200, 0x023E, 0x001D, 0x00EF, 0x000A]
        check("sheet record order", ids[len(expected_head):] == sheet_ids)
        boundsheet = dict(recs)[0x0085]
        check("BOUNDSHEET position", struct.unpack_from("<I", boundsheet)[0] == 1441)
        check("WRITEACCESS 112 bytes", len(dict(recs)[0x005C]) == 112)

        bare = open(os.path.join(folder, "TAVROEMPTYWSHEET.bin"), "rb").read()
        bare_recs, bare_end = records(bare)
        check("bare sheet 243 bytes", len(bare) == 243 and bare_end == 243)
        check("bare sheet has no INDEX",
              [r for r, _ in bare_recs] == [i for i in sheet_ids if i != 0x020B])
        window2 = dict(bare_recs)[0x023E]
        check("bare sheet not selected", struct.unpack_from("<H", window2)[0] == 0x00B6)

        book = xlrd.open_workbook(path, formatting_info=True)
        check("xlrd: one empty sheet", book.sheet_names() == ["Sheet1"] and
              book.sheet_by_index(0).nrows == 0)
        check("xlrd: 21 XF, 4 fonts", (len(book.xf_list), len(book.font_list)) == (21, 4))
        check("xlrd: Arial 10 pt", all(f.name == "Arial" and f.height == 200
                                       for f in book.font_list))
        check("xlrd: formats", {5, 6, 7, 8, 41, 42, 43, 44} <= set(book.format_map))

    print(f"{sum(results)} passed, {len(results) - sum(results)} failed")
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
