#!/usr/bin/python3
"""Checks the icon that a Windows program carries, as Explorer reads it: the program's first icon
group holds 16, 32, 48 and 256 pixels, each at 32 bits.

Usage: windows_icon.py PROGRAM.exe
"""
import struct
import sys

WANT = {(16, 32), (32, 32), (48, 32), (256, 32)}
RT_GROUP_ICON = 14


def icon_group(data):
    """The (size, bits) of each image of the program's first icon group."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional = struct.unpack_from("<H12xH", data, pe + 6)
    table = pe + 24 + optional
    for k in range(sections):
        name, _, va, _, raw = struct.unpack_from("<8sIIII", data, table + 40 * k)
        if name.rstrip(b"\0") == b".rsrc":
            break
    else:
        raise SystemExit("FAIL: the program has no resources")

    def entries(offset):
        named, ids = struct.unpack_from("<12xHH", data, raw + offset)
        for e in range(named + ids):
            key, to = struct.unpack_from("<II", data, raw + offset + 16 + 8 * e)
            yield key, to & 0x7FFFFFFF, bool(to & 0x80000000)

    def first_leaf(offset, is_dir):
        while is_dir:
            _, offset, is_dir = next(entries(offset))
        rva, size = struct.unpack_from("<II", data, raw + offset)
        return data[raw + rva - va:raw + rva - va + size]

    for key, offset, is_dir in entries(0):
        if key == RT_GROUP_ICON:
            group = first_leaf(offset, is_dir)
            count = struct.unpack_from("<H", group, 4)[0]
            return {((w or 256), bits) for w, _, _, _, _, bits, _, _ in
                    (struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count))}
    raise SystemExit("FAIL: the program has no icon")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    with open(sys.argv[1], "rb") as f:
        got = icon_group(f.read())
    if got != WANT:
        print(f"FAIL: the icon holds {sorted(got)}, not {sorted(WANT)} (size, bits)")
        sys.exit(1)
    print("PASS: the icon holds 16, 32, 48 and 256 pixels at 32 bits")
