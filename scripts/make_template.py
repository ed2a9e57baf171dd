#!/usr/bin/env python3
"""Builds the two template workbooks the writer starts from and emits them as C++ byte arrays.

TAVROEMPTYSHEET is a complete one-sheet workbook: a compound file (version 3, 512-byte sectors)
holding the "Workbook" record stream and the two standard property-set streams.
TAVROEMPTYWSHEET is the bare worksheet substream every inserted sheet starts from.

Usage:
  make_template.py                 rewrite src/xls/template_data.inc
  make_template.py --check         exit 1 when src/xls/template_data.inc is not what this builds
  make_template.py --dump DIR      also write both templates as binary files into DIR
"""
import datetime
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TARGET = os.path.join(HERE, "..", "src", "xls", "template_data.inc")


def u8(v):
    return struct.pack("<B", v)


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v)


def f64(v):
    return struct.pack("<d", v)


def record(rid, data=b""):
    return u16(rid) + u16(len(data)) + data


def hexbytes(text):
    return bytes(int(x, 16) for x in text.split())


# ---------------------------------------------------------------- workbook globals

def bof(kind):
    # version 0x0600, substream type, build 0x1338, year 0x07CD, history flags, lowest version
    return record(0x0809, u16(0x0600) + u16(kind) + u16(0x1338) + u16(0x07CD) +
                  u32(0x0000C0C1) + u32(0x00000306))


def font():
    name = "Arial"
    return record(0x0031, u16(200) + u16(0) + u16(0x7FFF) + u16(400) + u16(0) + u8(0) +
                  u8(0) + u8(0) + u8(0x7F) + u8(len(name)) + u8(1) + name.encode("utf-16-le"))


FORMATS = [  # (index, data bytes), in the template's order
    (5, "05 00 19 00 00 22 24 55 22 5C 20 23 2C 23 23 30 3B 22 24 55 22 5C 20 5C 2D 23 2C 23 23 30"),
    (6, "06 00 1E 00 00 22 24 55 22 5C 20 23 2C 23 23 30 3B 5B 52 65 64 5D 22 24 55 22 5C 20 5C 2D "
        "23 2C 23 23 30"),
    (7, "07 00 1F 00 00 22 24 55 22 5C 20 23 2C 23 23 30 2E 30 30 3B 22 24 55 22 5C 20 5C 2D 23 2C "
        "23 23 30 2E 30 30"),
    (8, "08 00 24 00 00 22 24 55 22 5C 20 23 2C 23 23 30 2E 30 30 3B 5B 52 65 64 5D 22 24 55 22 5C "
        "20 5C 2D 23 2C 23 23 30 2E 30 30"),
    (42, "2A 00 3B 00 00 5F 20 22 24 55 22 5C 20 2A 20 23 2C 23 23 30 5F 20 3B 5F 20 22 24 55 22 5C "
         "20 2A 20 5C 2D 23 2C 23 23 30 5F 20 3B 5F 20 22 24 55 22 5C 20 2A 20 22 2D 22 5F 20 3B 5F "
         "20 40 5F 20"),
    (41, "29 00 29 00 00 5F 20 2A 20 23 2C 23 23 30 5F 20 3B 5F 20 2A 20 5C 2D 23 2C 23 23 30 5F 20 "
         "3B 5F 20 2A 20 22 2D 22 5F 20 3B 5F 20 40 5F 20"),
    (44, "2C 00 43 00 00 5F 20 22 24 55 22 5C 20 2A 20 23 2C 23 23 30 2E 30 30 5F 20 3B 5F 20 22 24 "
         "55 22 5C 20 2A 20 5C 2D 23 2C 23 23 30 2E 30 30 5F 20 3B 5F 20 22 24 55 22 5C 20 2A 20 22 "
         "2D 22 3F 3F 5F 20 3B 5F 20 40 5F 20"),
    (43, "2B 00 31 00 00 5F 20 2A 20 23 2C 23 23 30 2E 30 30 5F 20 3B 5F 20 2A 20 5C 2D 23 2C 23 23 "
         "30 2E 30 30 5F 20 3B 5F 20 2A 20 22 2D 22 3F 3F 5F 20 3B 5F 20 40 5F 20"),
]


def xf(font_index, format_index, protection, attributes):
    # alignment 0x20 (general, bottom), rotation 0, indent 0, no borders, fill word 0x20C0
    return record(0x00E0, u16(font_index) + u16(format_index) + u16(protection) + u8(0x20) +
                  u8(0) + u8(0) + u8(attributes) + bytes(8) + u16(0x20C0))


def xfs():
    out = [xf(0, 0, 0xFFF5, 0x00)]
    out += [xf(1, 0, 0xFFF5, 0xF4)] * 2
    out += [xf(2, 0, 0xFFF5, 0xF4)] * 2
    out += [xf(0, 0, 0xFFF5, 0xF4)] * 10
    out += [xf(0, 0, 0x0001, 0x00)]
    out += [xf(1, fmt, 0xFFF5, 0xF8) for fmt in (43, 41, 44, 42, 9)]
    return out


def style(xf_index, builtin):
    return record(0x0293, u16(0x8000 | xf_index) + u8(builtin) + u8(0xFF))


def globals_substream():
    user = b"ORQ   "
    access = u16(len(user)) + u8(0) + user
    access += b" " * (112 - len(access))
    out = [
        bof(0x0005),
        record(0x00E1, u16(0x04B0)),  # INTERFACEHDR
        record(0x00C1, u16(0)),  # MMS
        record(0x00E2),  # INTERFACEEND
        record(0x005C, access),  # WRITEACCESS
        record(0x0042, u16(0x04B0)),  # CODEPAGE
        record(0x0161, u16(0)),  # DSF
        record(0x01C0),  # EXCEL9FILE
        record(0x013D, u16(1)),  # TABID
        record(0x009C, u16(14)),  # FNGROUPCOUNT
        record(0x0019, u16(0)),  # WINDOWPROTECT
        record(0x0012, u16(0)),  # PROTECT
        record(0x0013, u16(0)),  # PASSWORD
        record(0x01AF, u16(0)),  # PROT4REV
        record(0x01BC, u16(0)),  # PROT4REVPASS
        record(0x003D, u16(360) + u16(240) + u16(14940) + u16(9150) + u16(0x0038) + u16(0) +
               u16(0) + u16(1) + u16(600)),  # WINDOW1
        record(0x0040, u16(0)),  # BACKUP
        record(0x008D, u16(0)),  # HIDEOBJ
        record(0x0022, u16(0)),  # DATEMODE
        record(0x000E, u16(1)),  # PRECISION
        record(0x01B7, u16(0)),  # REFRESHALL
        record(0x00DA, u16(0)),  # BOOKBOOL
    ]
    out += [font()] * 4
    out += [record(0x041E, hexbytes(data)) for _, data in FORMATS]
    out += xfs()
    out += [style(16, 3), style(17, 6), style(18, 4), style(19, 7), style(0, 0), style(20, 5)]
    out.append(record(0x0160, u16(0)))  # USESELFS
    boundsheet_at = len(out)
    out.append(None)  # BOUNDSHEET, filled in once the globals' size is known
    out += [
        record(0x008C, u16(1) + u16(598)),  # COUNTRY
        record(0x01C1, u16(0x01C1) + u16(0) + u32(0x0001A0E3)),  # RECALCID
        record(0x00FC, u32(0) + u32(0)),  # SST
        record(0x00FF, u16(8)),  # EXTSST
        record(0x0863, hexbytes("63 08 00 00 00 00 00 00 00 00 00 00 15 00 00 00 00 00 00 00 98")),
        record(0x000A),  # EOF
    ]

    def boundsheet(position):
        name = b"Sheet1"
        return record(0x0085, u32(position) + u8(0) + u8(0) + u8(len(name)) + u8(0) + name)

    out[boundsheet_at] = boundsheet(0)
    size = sum(len(r) for r in out)
    out[boundsheet_at] = boundsheet(size)
    return b"".join(out)


# ---------------------------------------------------------------- worksheet

def sheet_records(window2_options):
    setup = (u16(0) + u16(255) + u16(1) + u16(1) + u16(1) + u16(0x0004) + u16(0) + u16(0) +
             f64(0.5) + f64(0.5) + u16(0))
    head = [
        bof(0x0010),
        None,  # INDEX, only in the full workbook
        record(0x000D, u16(1)),  # CALCMODE
        record(0x000C, u16(100)),  # CALCCOUNT
        record(0x000F, u16(1)),  # REFMODE
        record(0x0011, u16(0)),  # ITERATION
        record(0x0010, f64(0.001)),  # DELTA
        record(0x005F, u16(1)),  # SAVERECALC
        record(0x002A, u16(0)),  # PRINTHEADERS
        record(0x002B, u16(0)),  # PRINTGRIDLINES
        record(0x0082, u16(1)),  # GRIDSET
        record(0x0080, bytes(8)),  # GUTS
        record(0x0225, u16(0) + u16(255)),  # DEFAULTROWHEIGHT
        record(0x0081, u16(0x04C1)),  # WSBOOL
        record(0x0014),  # HEADER
        record(0x0015),  # FOOTER
        record(0x0083, u16(0)),  # HCENTER
        record(0x0084, u16(0)),  # VCENTER
        record(0x00A1, setup),  # SETUP
    ]
    tail = [
        record(0x0055, u16(8)),  # DEFCOLWIDTH
        record(0x0200, bytes(14)),  # DIMENSIONS
        record(0x023E, u16(window2_options) + u16(0) + u16(0) + u32(64) + u16(0) + u16(0) +
               u32(0)),  # WINDOW2
        record(0x001D, u8(3) + u16(0) + u16(0) + u16(0) + u16(1) + u16(0) + u16(0) + u8(0) +
               u8(0)),  # SELECTION
        record(0x00EF, hexbytes("00 00 37 00 00 00")),
        record(0x000A),  # EOF
    ]
    return head, tail


def worksheet_with_index(sheet_offset):
    head, tail = sheet_records(0x06B6)
    index_size = 20
    defcolwidth_at = sheet_offset + sum(len(r) for r in head if r) + index_size
    # INDEX: reserved, first row 0, last row + 1 0, position of DEFCOLWIDTH; no DBCELL entries
    head[1] = record(0x020B, u32(0) + u32(0) + u32(0) + u32(defcolwidth_at))
    return b"".join(head + tail)


def bare_worksheet():
    head, tail = sheet_records(0x00B6)
    return b"".join(r for r in head + tail if r)


def workbook_stream():
    glob = globals_substream()
    stream = glob + worksheet_with_index(len(glob))
    assert len(stream) == 1704, len(stream)
    return stream + bytes(4096 - len(stream))


# ---------------------------------------------------------------- property sets

VT_I2, VT_I4, VT_LPSTR, VT_FILETIME, VT_VARIANT, VT_VECTOR = 2, 3, 0x1E, 0x40, 0x0C, 0x1000
CODEPAGE = 1252


def pad4(data):
    return data + bytes(-len(data) % 4)


def lpstr(text):
    raw = text.encode("cp1252") + b"\0"
    return pad4(u32(len(raw)) + raw)


def typed(vt, value):
    return u16(vt) + u16(0) + value


def filetime(year, month, day, hour, minute, second):
    moment = datetime.datetime(year, month, day, hour, minute, second)
    ticks = (moment - datetime.datetime(1601, 1, 1)) // datetime.timedelta(microseconds=1) * 10
    return struct.pack("<Q", ticks)


def property_set_stream(fmtid, properties):
    """One property set: [(id, typed value bytes)] in order."""
    count = len(properties)
    offset = 8 + 8 * count
    table, body = b"", b""
    for pid, value in properties:
        table += u32(pid) + u32(offset + len(body))
        body += pad4(value)
    section = u32(8 + len(table) + len(body)) + u32(count) + table + body
    header = u16(0xFFFE) + u16(0) + u32(0x00020105) + bytes(16) + u32(1) + fmtid + u32(48)
    stream = header + section
    assert len(stream) <= 4096
    return stream + bytes(4096 - len(stream))


def guid(text):
    import uuid
    return uuid.UUID(text).bytes_le


def summary_information():
    return property_set_stream(guid("F29F85E0-4FF9-1068-AB91-08002B27B3D9"), [
        (0x01, typed(VT_I2, u16(CODEPAGE))),
        (0x04, typed(VT_LPSTR, lpstr("a"))),
        (0x08, typed(VT_LPSTR, lpstr("a"))),
        (0x12, typed(VT_LPSTR, lpstr("Microsoft Excel"))),
        (0x0C, typed(VT_FILETIME, filetime(2003, 8, 27, 16, 40, 13))),
        (0x0D, typed(VT_FILETIME, filetime(2003, 8, 27, 16, 41, 24))),
        (0x13, typed(VT_I4, u32(0))),
    ])


def document_summary_information():
    headings = u32(2) + typed(VT_LPSTR, lpstr("Worksheets")) + typed(VT_I4, u32(1))
    titles = u32(1) + lpstr("Sheet1")
    return property_set_stream(guid("D5CDD502-2E9C-101B-9397-08002B2CF9AE"), [
        (0x01, typed(VT_I2, u16(CODEPAGE))),
        (0x0F, typed(VT_LPSTR, lpstr("a"))),
        (0x17, typed(VT_I4, u32(0x000B1338))),
        (0x0C, typed(VT_VECTOR | VT_VARIANT, headings)),
        (0x0D, typed(VT_VECTOR | VT_LPSTR, titles)),
    ])


# ---------------------------------------------------------------- compound file

FREESECT, ENDOFCHAIN, FATSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF


def directory_entry(name, kind, left, right, child, start, size):
    encoded = (name + "\0").encode("utf-16-le") if name else b""
    return (encoded + bytes(64 - len(encoded)) + u16(len(encoded)) + u8(kind) +
            u8(1) +  # black: the three streams form a complete tree
            u32(left) + u32(right) + u32(child) + bytes(16) + u32(0) + bytes(16) +
            u32(start) + u32(size) + u32(0))


def compound_file(streams):
    """streams: [(name, bytes)] in sector order; every stream is at least 4,096 bytes long, so
    none lives in the mini stream."""
    sectors, fat, starts = [], [], []
    for _, data in streams:
        assert len(data) >= 4096 and len(data) % 512 == 0
        starts.append(len(sectors))
        count = len(data) // 512
        for i in range(count):
            sectors.append(data[i * 512:(i + 1) * 512])
            fat.append(len(sectors) if i + 1 < count else ENDOFCHAIN)
    directory_sector = len(sectors)
    fat.append(ENDOFCHAIN)
    fat_sector = directory_sector + 1
    fat.append(FATSECT)
    fat += [FREESECT] * (128 - len(fat))

    # The directory tree, ordered by name length: Workbook < SummaryInformation <
    # DocumentSummaryInformation; the middle one is the root of the tree.
    (wb_name, wb), (si_name, si), (dsi_name, dsi) = streams
    entries = [
        directory_entry("Root Entry", 5, NOSTREAM, NOSTREAM, 2, ENDOFCHAIN, 0),
        directory_entry(wb_name, 2, NOSTREAM, NOSTREAM, NOSTREAM, starts[0], len(wb)),
        directory_entry(si_name, 2, 1, 3, NOSTREAM, starts[1], len(si)),
        directory_entry(dsi_name, 2, NOSTREAM, NOSTREAM, NOSTREAM, starts[2], len(dsi)),
    ]
    sectors.append(b"".join(entries))
    sectors.append(b"".join(u32(v) for v in fat))

    header = (hexbytes("D0 CF 11 E0 A1 B1 1A E1") + bytes(16) + u16(0x003E) + u16(0x0003) +
              u16(0xFFFE) + u16(9) + u16(6) + bytes(6) + u32(0) + u32(1) + u32(directory_sector) +
              u32(0) + u32(4096) + u32(ENDOFCHAIN) + u32(0) + u32(ENDOFCHAIN) + u32(0) +
              u32(fat_sector) + u32(FREESECT) * 108)
    assert len(header) == 512
    return header + b"".join(sectors)


def templates():
    sheet = compound_file([
        ("Workbook", workbook_stream()),
        ("\x05SummaryInformation", summary_information()),
        ("\x05DocumentSummaryInformation", document_summary_information()),
    ])
    assert len(sheet) == 13824, len(sheet)
    wsheet = bare_worksheet()
    assert len(wsheet) == 243, len(wsheet)
    return sheet, wsheet


def as_cpp(name, data):
    lines = [f"// {name}: {len(data)} bytes"]
    lines.append(f"alignas(8) constexpr std::uint8_t k{name}[{len(data)}] = {{")
    for i in range(0, len(data), 16):
        lines.append("    " + ", ".join(f"0x{b:02X}" for b in data[i:i + 16]) + ",")
    lines.append("};")
    return "\n".join(lines) + "\n"


def render():
    sheet, wsheet = templates()
    return ("// Generated by scripts/make_template.py; do not edit. Rebuild with that script.\n"
            "// clang-format off\n" + as_cpp("TAVROEMPTYSHEET", sheet) + "\n" +
            as_cpp("TAVROEMPTYWSHEET", wsheet) + "// clang-format on\n")


def main(argv):
    text = render()
    if "--dump" in argv:
        folder = argv[argv.index("--dump") + 1]
        sheet, wsheet = templates()
        with open(os.path.join(folder, "TAVROEMPTYSHEET.xls"), "wb") as f:
            f.write(sheet)
        with open(os.path.join(folder, "TAVROEMPTYWSHEET.bin"), "wb") as f:
            f.write(wsheet)
    if "--check" in argv:
        with open(TARGET, encoding="ascii") as f:
            if f.read() != text:
                print("src/xls/template_data.inc is not what scripts/make_template.py builds")
                return 1
        return 0
    with open(TARGET, "w", encoding="ascii") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
