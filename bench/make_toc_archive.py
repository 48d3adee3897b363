#!/usr/bin/env python3
"""make_toc_archive.py N OUT [DEFN_BYTES]: a custom archive (format 1.15,
uncompressed) with N tables, each a TABLE entry with its CREATE TABLE and
a TABLE DATA entry with one row, for measuring what the table of contents
costs: `/usr/bin/time -v pgdump2pl OUT facts.pl`. With DEFN_BYTES, the
first table's definition is padded with a comment to that size."""
import struct
import sys


def integer(value):
    return bytes([1 if value < 0 else 0]) + struct.pack("<i", abs(value))


def string(text):
    if text is None:
        return integer(-1)
    data = text.encode() if isinstance(text, str) else text
    return integer(len(data)) + data


def entry(dump_id, tag, desc, defn, copy_stmt, has_data):
    out = integer(dump_id) + integer(1 if has_data else 0)
    out += string("0") + string("0") + string(tag) + string(desc) + integer(2 if has_data else 1)
    out += string(defn) + string("") + string(copy_stmt) + string("public") + string("")
    out += string("heap") + string("postgres") + string("false")
    out += string(None)  # no dependencies
    out += bytes([1 if has_data else 3]) + bytes(8)  # data offset not set / no data
    return out


def main():
    count = int(sys.argv[1])
    defn_bytes = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    with open(sys.argv[2], "wb") as f:
        f.write(b"PGDMP" + bytes([1, 15, 0, 4, 8, 1, 0]))  # 1.15, ints of 4, offsets of 8, custom, no compression
        for field in (0, 0, 0, 1, 0, 124, 0):
            f.write(integer(field))
        f.write(string("db") + string("15.0") + string("15.0"))
        f.write(integer(2 * count))
        for i in range(count):
            defn = f"CREATE TABLE public.t{i} (\n    a integer\n);\n"
            if i == 0 and defn_bytes > len(defn):
                defn += "--" + "x" * (defn_bytes - len(defn) - 3) + "\n"
            f.write(entry(2 * i + 1, f"t{i}", "TABLE", defn, "", False))
            f.write(entry(2 * i + 2, f"t{i}", "TABLE DATA", "", f"COPY public.t{i} (a) FROM stdin;\n", True))
        for i in range(count):
            row = f"{i}\n\\.\n\n\n".encode()
            f.write(bytes([1]) + integer(2 * i + 2) + integer(len(row)) + row + integer(0))


main()
