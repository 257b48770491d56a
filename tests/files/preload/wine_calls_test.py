#!/usr/bin/env python3
"""Usage: wine_calls_test.py WINE_RUN [WINE_RUN_ARGS...] SAVE_PROGRAM.exe

Runs the small save program, a Windows program, under Wine with Wine's trace of the calls a
program makes into the system's libraries (WINEDEBUG=+relay), and checks what a save that
survives a power cut needs there, whatever its own files are called:
  - a file is never written while it has the target's name or its backup's;
  - a file written by the program takes a name (MoveFileExW) only once FlushFileBuffers was
    called on it after its last WriteFile;
  - every MoveFileExW asks for MOVEFILE_WRITE_THROUGH, as Windows has no folder to sync.
On a real Windows machine, Process Monitor shows the same: FlushBuffersFile on the temporary
file before its SetRenameInformationFile, and the rename's flags.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

MOVEFILE_WRITE_THROUGH = 0x8
CALL = re.compile(r'^[0-9a-f]+:Call KERNEL32\.(\w+)\((.*)\) ret=[0-9a-f]+$')
RET = re.compile(r'^[0-9a-f]+:Ret  KERNEL32\.(\w+)\(\) retval=([0-9a-f]+) ret=[0-9a-f]+$')
ARG = re.compile(r'[0-9a-f]+(?: L"((?:[^"\\]|\\.)*)")?')


def args_of(text):
    """The arguments of a traced call: each a number, or the string it points to."""
    out = []
    for m in ARG.finditer(text):
        out.append(m.group(1) if m.group(1) is not None else int(m.group(0), 16))
    return out


def calls(trace):
    """The program's calls into KERNEL32, in order: (name, arguments, return value)."""
    pending, done = [], []
    for line in trace.splitlines():
        if m := CALL.match(line):
            pending.append((m.group(1), args_of(m.group(2))))
        elif (m := RET.match(line)) and pending and pending[-1][0] == m.group(1):
            name, args = pending.pop()
            done.append((name, args, int(m.group(2), 16)))
    return done


def problems(trace, target):
    protected = {target.lower(), (target + ".bak").lower()}
    handles, last_write, last_flush, found = {}, {}, {}, []
    for at, (name, args, result) in enumerate(calls(trace)):
        if name == "CreateFileW" and result not in (0xFFFFFFFFFFFFFFFF, 0xFFFFFFFF):
            handles[result] = str(args[0]).lower()
        elif name == "CloseHandle":
            handles.pop(args[0], None)
        elif name == "WriteFile" and args[0] in handles:
            path = handles[args[0]]
            last_write[path] = at
            if path in protected:
                found.append(f"{path} was written under its own name")
        elif name == "FlushFileBuffers" and result and args[0] in handles:
            last_flush[handles[args[0]]] = at
        elif name == "MoveFileExW" and result:
            source, dest, flags = str(args[0]).lower(), args[1], args[2]
            if not flags & MOVEFILE_WRITE_THROUGH:
                found.append(f"{source} took the name {dest} without MOVEFILE_WRITE_THROUGH")
            if source in last_write and last_flush.get(source, -1) < last_write[source]:
                found.append(f"{source} took the name {dest} without FlushFileBuffers after its "
                             "last write")
            last_write.pop(source, None)
    return found


class WineCalls(unittest.TestCase):
    def test_saves_flush_each_file_before_it_takes_its_name_and_move_it_written_through(self):
        root = tempfile.mkdtemp(prefix="tm-winecalls-")
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        with open(os.path.join(root, "m.mis"), "wb") as f:
            f.write(b"first")
        trace = ""
        for text in ("second", "third"):  # the first makes the backup, the second finds it
            done = subprocess.run([*WINE_RUN, SAVE, "m.mis", text], cwd=root, capture_output=True,
                                  env=dict(os.environ, TM_WINEDEBUG="+relay"),
                                  text=True, errors="replace")
            self.assertEqual(done.returncode, 0, done.stderr[-2000:])
            trace += done.stderr
        moved = [(c[1][1], c[1][2]) for c in calls(trace) if c[0] == "MoveFileExW" and c[2]]
        if not moved:
            self.skipTest("Wine traced no calls here (WINEDEBUG=+relay)")
        self.assertEqual([m[0] for m in moved], ["m.mis.bak", "m.mis", "m.mis"])
        self.assertEqual(problems(trace, "m.mis"), [])
        with open(os.path.join(root, "m.mis.bak"), "rb") as f:
            self.assertEqual(f.read(), b"first")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    WINE_RUN, SAVE = sys.argv[1:-1], os.path.realpath(sys.argv[-1])
    if shutil.which("wine") is None:
        print("SKIP: needs Wine")
        sys.exit(77)
    unittest.main(argv=[sys.argv[0], "-v"])
