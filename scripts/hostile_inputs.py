#!/usr/bin/env python3
"""Writes small crafted inputs that once made the reader take gigabytes or hang, for
scripts/hostile_inputs.sh to measure.

Usage: hostile_inputs.py DIR     writes every input into DIR and lists their names
"""
import os
import struct
import sys

SECTOR = 512
END_OF_CHAIN = 0xFFFFFFFE
FREE = 0xFFFFFFFF
DIFAT_SECTOR = 0xFFFFFFFC
FAT_SECTOR = 0xFFFFFFFD
NO_STREAM = 0xFFFFFFFF


def u16(v):
    return struct.pack("<H", v)


def u32(v):
    return struct.pack("<I", v)


def record(rid, data=b""):
    return u16(rid) + u16(len(data)) + data


def bof(kind):
    return record(0x0809, u16(0x0600) + u16(kind) + u16(0x0DBB) + u16(1996) + u32(0) + u32(6))


EOF = record(0x000A)


def boundsheet(name):
    raw = name.encode("latin-1")
    return record(0x0085, u32(0) + bytes([0, 0, len(raw), 0]) + raw)


def globals_stream(sheet_names):
    out = bytearray(bof(0x0005))
    for name in sheet_names:
        out += boundsheet(name)
    out += EOF
    return bytes(out)


def worksheet(*records):
    return bof(0x0010) + b"".join(records) + EOF


def blank(row, column):
    return record(0x0201, u16(row) + u16(column) + u16(15))


def dimensions(first_row, last_row_plus1, first_col, last_col_plus1):
    return record(0x0200, u32(first_row) + u32(last_row_plus1) + u16(first_col) +
                  u16(last_col_plus1) + u16(0))


def sheet_names(count):
    return ["S%d" % i for i in range(count)]


class Compound:
    """A version-3 compound file whose streams all live in regular sectors (each stream is
    padded to the mini-stream cutoff), with any number of entries naming one chain."""

    def __init__(self):
        self.chains = []  # (bytes) in sector order
        self.entries = []  # (name, chain index)

    def add_chain(self, data):
        if len(data) < 4096:
            data = data + bytes(4096 - len(data))
        self.chains.append(data)
        return len(self.chains) - 1

    def add_entry(self, name, chain, size=None):
        self.entries.append((name, chain, size))

    def build(self):
        stream_sectors = []
        first = 0
        for data in self.chains:
            count = (len(data) + SECTOR - 1) // SECTOR
            stream_sectors.append((first, count))
            first += count
        dir_count = (len(self.entries) + 1 + 3) // 4
        data_sectors = first + dir_count
        # FAT sectors beyond the header's 109 are listed in DIFAT sectors of 127 each.
        fat_count = 1
        while True:
            difat_count = max(0, -(-(fat_count - 109) // 127))
            if data_sectors + fat_count + difat_count <= fat_count * (SECTOR // 4):
                break
            fat_count += 1
        fat = [FREE] * (fat_count * SECTOR // 4)
        for start, count in stream_sectors:
            for i in range(count):
                fat[start + i] = start + i + 1 if i + 1 < count else END_OF_CHAIN
        dir_start = first
        for i in range(dir_count):
            fat[dir_start + i] = dir_start + i + 1 if i + 1 < dir_count else END_OF_CHAIN
        fat_start = dir_start + dir_count
        for i in range(fat_count):
            fat[fat_start + i] = FAT_SECTOR
        difat_start = fat_start + fat_count
        for i in range(difat_count):
            fat[difat_start + i] = DIFAT_SECTOR

        # A balanced tree over the entries in name order (equal-length names sort as text).
        order = sorted(range(len(self.entries)), key=lambda i: (len(self.entries[i][0]),
                                                                self.entries[i][0].upper()))
        left = {}
        right = {}

        def tree(lo, hi):
            if lo >= hi:
                return NO_STREAM
            mid = (lo + hi) // 2
            node = order[mid]
            left[node] = tree(lo, mid)
            right[node] = tree(mid + 1, hi)
            return node + 1

        sys.setrecursionlimit(100000)
        root_child = tree(0, len(order))

        def entry(name, kind, l, r, child, start, size):
            units = name.encode("utf-16-le") + b"\0\0"
            return (units.ljust(64, b"\0") + u16(len(units)) + bytes([kind, 1]) + u32(l) +
                    u32(r) + u32(child) + bytes(16) + u32(0) + bytes(16) + u32(start) +
                    u32(size) + u32(0))

        directory = bytearray(entry("Root Entry", 5, NO_STREAM, NO_STREAM, root_child,
                                    END_OF_CHAIN, 0))
        for i, (name, chain, size) in enumerate(self.entries):
            start, _ = stream_sectors[chain]
            length = len(self.chains[chain]) if size is None else size
            directory += entry(name, 2, left[i], right[i], NO_STREAM, start, length)
        directory += bytes(dir_count * SECTOR - len(directory))

        fat_sectors = [fat_start + i for i in range(fat_count)]
        difat = fat_sectors[:109] + [FREE] * (109 - min(fat_count, 109))
        difat_sectors = bytearray()
        for i in range(difat_count):
            listed = fat_sectors[109 + 127 * i:109 + 127 * (i + 1)]
            listed += [FREE] * (127 - len(listed))
            following = difat_start + i + 1 if i + 1 < difat_count else END_OF_CHAIN
            difat_sectors += b"".join(u32(v) for v in listed + [following])
        header = (bytes([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1]) + bytes(16) +
                  u16(0x3E) + u16(3) + u16(0xFFFE) + u16(9) + u16(6) + bytes(6) + u32(0) +
                  u32(fat_count) + u32(dir_start) + u32(0) + u32(4096) + u32(END_OF_CHAIN) +
                  u32(0) + u32(difat_start if difat_count else END_OF_CHAIN) + u32(difat_count) +
                  b"".join(u32(v) for v in difat))
        out = bytearray(header)
        for data in self.chains:
            out += data + bytes((-len(data)) % SECTOR)
        out += directory
        out += b"".join(u32(v) for v in fat)
        out += difat_sectors
        return bytes(out)


def workbook_file(stream, extra=None):
    cfb = Compound()
    cfb.add_entry("Workbook", cfb.add_chain(stream))
    if extra:
        extra(cfb)
    return cfb.build()


def row_bomb(sheets):
    names = sheet_names(sheets)
    body = worksheet(blank(65535, 0))
    return workbook_file(globals_stream(names) + body * sheets)


def row_bomb_unnamed(sheets):
    # One named sheet; every further substream has no BOUNDSHEET record.
    body = worksheet(blank(65535, 0))
    return workbook_file(globals_stream(["S0"]) + body * sheets)


def dimensions_bomb(sheets):
    names = sheet_names(sheets)
    body = worksheet(dimensions(0, 65536, 0, 256))
    # A long tail after the sheets, so that each sheet sees a large rest of the stream.
    tail = bytes(1 << 20)
    return workbook_file(globals_stream(names) + body * sheets + tail)


def shared_sector_bomb(entries, chain_bytes):
    stream = globals_stream(["S0"]) + worksheet()

    def add(cfb):
        shared = cfb.add_chain(bytes(chain_bytes))
        for i in range(entries):
            cfb.add_entry("E%05d" % i, shared)

    return workbook_file(stream, add)


def sheet_name_bomb(count):
    return workbook_file(globals_stream(sheet_names(count)) + worksheet(blank(0, 0)))


def tiny_record_bomb(count):
    # Plain records with empty bodies, each kept by the globals reader.
    return workbook_file(bof(0x0005) + record(0x0042, b"") * count + EOF)


def mulblank_bomb(records):
    # MULBLANK records that claim far more columns than a sheet has.
    columns = 4000
    body = u16(0) + u16(0) + u16(15) * columns + u16(columns - 1)
    rows = b"".join(record(0x00BE, u16(r % 65536) + body[2:]) for r in range(records))
    return workbook_file(globals_stream(["S0"]) + worksheet(rows))


def dense_cells_bomb(tiny_records, dense_rows):
    # Empty records the globals keep, then a sheet of full-width MULBLANK rows whose cell block
    # must grow just before the end.
    names = ["S0"]
    head = bof(0x0005) + b"".join(boundsheet(n) for n in names)
    tiny = record(0x0042, b"") * tiny_records
    body = u16(0) + u16(0) + u16(15) * 256 + u16(255)
    rows = b"".join(record(0x00BE, u16(r) + body[2:]) for r in range(dense_rows))
    return workbook_file(head + tiny + EOF + worksheet(rows))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    inputs = {
        "row-bomb.xls": row_bomb(1000),
        "row-bomb-unnamed.xls": row_bomb_unnamed(1000),
        "dimensions-bomb.xls": dimensions_bomb(1000),
        "shared-sector-bomb.xls": shared_sector_bomb(8000, 1 << 20),
        "sheet-names.xls": sheet_name_bomb(300000),
        "tiny-records.xls": tiny_record_bomb(1500000),
        "mulblank-bomb.xls": mulblank_bomb(700),
        "dense-cells.xls": dense_cells_bomb(3_250_000, 32769),
    }
    for name, data in inputs.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    # The settings file: line ends only, and far more of them than a settings file holds.
    with open(os.path.join(folder, "settings-line-ends.ini"), "wb") as out:
        out.write(b"31\r\n" + b"\n" * (64 << 20))
    # A sparse file of 5 GB (a list far larger than any station's).
    with open(os.path.join(folder, "sparse-5g.xls"), "wb") as out:
        out.truncate(5 << 30)
    for name in sorted(os.listdir(folder)):
        print(name)


if __name__ == "__main__":
    main()
