#!/usr/bin/env python3
"""Checks that every list of the stored pieces outside the code names the pieces that
mission/workspace.h names (kPiece1 to kPiece3), in that order: the install list, the stand-in
pieces built into the programs, the launcher's copies into a new workspace and the script that
writes the stand-ins. Any other mention of a piece in those files, the importer's help or the
manual pages must be one of them. Exits 1 with what differs."""

import ast
import fnmatch
import re
import sys
from pathlib import Path

REPO = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent
PIECE = re.compile(r"mis_[0-9_]+\.dat")


def read(name):
    return (REPO / name).read_text(encoding="utf-8")


def block(name, pattern):
    """The text of `name` that `pattern` (one group) finds; it must find it exactly once."""
    found = re.findall(pattern, read(name), re.S | re.M)
    if len(found) != 1:
        sys.exit("%s: expected one list of the pieces, found %d" % (name, len(found)))
    return found[0]


def main():
    header = read("mission/workspace.h")
    pieces = [re.search(r'kPiece%d = "([^"]+)"' % k, header).group(1) for k in (1, 2, 3)]

    lists = {
        "app/CMakeLists.txt (install)": PIECE.findall(
            block("app/CMakeLists.txt", r"^install\(FILES(.*?)DESTINATION \$\{pieces_dir\}\)")),
        "mission/CMakeLists.txt (built-in stand-ins)": PIECE.findall(
            block("mission/CMakeLists.txt", r"^set\(tm_standin_pieces(.*?)\)")),
        "app/launcher.sh.in (copied into a workspace)": block(
            "app/launcher.sh.in", r"^for piece in (.*?); do$").split(),
        "tools/make_standin_mission.py (PIECE_NAMES)": list(ast.literal_eval(
            block("tools/make_standin_mission.py", r"^PIECE_NAMES = (\(.*?\))$"))),
    }
    faults = ["%s names %s" % (where, names) for where, names in lists.items() if names != pieces]

    # The launcher removes the temporary copies that a killed start left: ".<piece>.XXXXXX".
    leftovers = block("app/launcher.sh.in", r"-name '(\.[^']*)'")
    faults += ["app/launcher.sh.in: %r does not match the copies of %s" % (leftovers, piece)
               for piece in pieces if not fnmatch.fnmatchcase("." + piece + ".a1B2c3", leftovers)]

    for name in ["app/CMakeLists.txt", "mission/CMakeLists.txt", "app/launcher.sh.in",
                 "tools/make_standin_mission.py", "import/commandline.cpp", "packaging/tobrins-mustrel.1.in",
                 "packaging/tobrins-mustrel-import.1.in"]:
        faults += ["%s mentions %s" % (name, other)
                   for other in sorted(set(PIECE.findall(read(name))) - set(pieces))]

    for fault in faults:
        print(fault)
    if faults:
        print("while mission/workspace.h names %s" % pieces)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
