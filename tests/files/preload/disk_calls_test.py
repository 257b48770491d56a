#!/usr/bin/env python3
"""Usage: disk_calls_test.py DISKCALLS_SO IMPORTER SAVE_PROGRAM PIECES_FOLDER

Runs the importer and a small save program with the interposed library that records the calls
they really make (fsync, rename, link, open, unlink, the writes), and checks what a save that
survives a power cut needs, whatever its own files are called:
  - a file is never written while it has a target's name or a backup's;
  - a file written by the program takes a name only once it was synced after its last write;
  - a folder is synced after the last name made in it;
and that, where the file system has no hard links, saves still work and keep the first original.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

PIECES = ["mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat"]
MISSION = (b"[ BEFORE ]\r\n[ .CLASS BICHOALIADO .TOKEN COMANDO ]\r\n[ BETWEEN ]\r\n"
           b"[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]\r\n[ AFTER ]\r\n")
NAMING = {"rename", "renameat", "renameat2", "link", "linkat"}
SYNCS = {"fsync", "fdatasync"}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def calls(log):
    """The recorded calls, in order: (call, errno, inode, path, other path or None)."""
    out = []
    with open(log, errors="surrogateescape") as f:
        for line in f:
            call, result, inode, path, *other = line.rstrip("\n").split("\t")
            out.append((call, int(result), inode, path, other[0] if other else None))
    return out


def problems(log, targets):
    """What in the recorded calls breaks the rules above, as sentences; none when all hold."""
    protected = {t for t in targets} | {t + ".bak" for t in targets}
    last_write, last_sync, unsynced_folders, found = {}, {}, {}, []
    for at, (call, result, inode, path, other) in enumerate(calls(log)):
        if call == "write":
            last_write[inode] = at
            if path in protected:
                found.append(f"{path} was written under its own name")
        elif call in SYNCS and result == 0:
            last_sync[inode] = at
            unsynced_folders.pop(path, None)
        elif call in NAMING and result == 0:
            if inode in last_write and last_sync.get(inode, -1) < last_write[inode]:
                found.append(f"{path} took the name {other} ({call}) without a sync after its "
                             "last write")
            unsynced_folders[os.path.dirname(other)] = other
    found += [f"the folder {folder} was not synced after {name} took its name"
              for folder, name in unsynced_folders.items()]
    return found


def named(log):
    """(the new name, whether the program wrote the file) of each name the calls made."""
    written, out = set(), []
    for call, result, inode, path, other in calls(log):
        if call == "write":
            written.add(inode)
        elif call in NAMING and result == 0:
            out.append((other, inode in written))
    return out


class DiskCalls(unittest.TestCase):
    def setUp(self):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="tm-diskcalls-"))
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.ws = os.path.join(self.root, "ws")
        shutil.copytree(PIECES_FOLDER, self.ws)
        self.originals = {p: read(os.path.join(self.ws, p)) for p in PIECES}
        self.mission = os.path.join(self.root, "m.mis")
        write(self.mission, MISSION)
        self.log = os.path.join(self.root, "calls.log")

    def run_traced(self, command, fail=None):
        env = dict(os.environ, LD_PRELOAD=DISKCALLS, TM_DISKCALLS_LOG=self.log)
        env.pop("TM_DISKCALLS_FAIL", None)
        if fail:
            env["TM_DISKCALLS_FAIL"] = fail
        done = subprocess.run(command, cwd=self.root, env=env, capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, f"{command}: {done.stderr}")

    def import_twice(self, fail=None):
        for _ in range(2):
            self.run_traced([IMPORTER, "--workspace", self.ws, self.mission], fail)

    def assertSafe(self, targets):
        self.assertTrue(os.path.exists(self.log), "the interposed library recorded nothing")
        self.assertEqual(problems(self.log, targets), [])

    def test_imports_sync_each_piece_before_its_rename_and_the_folder_after(self):
        self.import_twice()
        targets = [os.path.join(self.ws, p) for p in PIECES]
        self.assertSafe(targets)
        names = [name for name, wrote in named(self.log) if wrote]
        for target in targets:
            self.assertEqual(names.count(target), 2, names)  # once an import, each a new file
            self.assertEqual(read(target + ".bak"), self.originals[os.path.basename(target)])

    def test_a_backup_copy_is_synced_before_it_takes_its_name(self):
        # A file with another name is backed up as a copy, which the save writes itself.
        target = os.path.join(self.ws, PIECES[0])
        os.link(target, os.path.join(self.root, "other name"))
        self.run_traced([SAVE, target, "new"])
        self.assertSafe([target])
        self.assertIn((target + ".bak", True), named(self.log))
        self.assertEqual(read(target + ".bak"), self.originals[PIECES[0]])

    def test_without_hard_links_two_saves_in_a_row_keep_the_first_original(self):
        no_links = "link:EPERM,linkat:EPERM"
        target = os.path.join(self.ws, PIECES[0])
        for text in ("second", "third"):
            self.run_traced([SAVE, target, text], no_links)
        self.assertEqual(read(target), b"third")
        self.assertEqual(read(target + ".bak"), self.originals[PIECES[0]])
        self.import_twice(no_links)
        self.assertIn(("link", 1), [c[:2] for c in calls(self.log)])  # EPERM was given
        self.assertSafe([os.path.join(self.ws, p) for p in PIECES])
        for piece in PIECES:
            self.assertEqual(read(os.path.join(self.ws, piece + ".bak")), self.originals[piece])
        # Nothing with content is left beside them (a lock file, empty, may stay).
        others = set(os.listdir(self.ws)) - set(PIECES) - {p + ".bak" for p in PIECES}
        self.assertEqual([o for o in others if read(os.path.join(self.ws, o))], [])

if __name__ == "__main__":
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    DISKCALLS, IMPORTER, SAVE, PIECES_FOLDER = (os.path.realpath(a) for a in sys.argv[1:5])
    unittest.main(argv=[sys.argv[0], "-v"])
