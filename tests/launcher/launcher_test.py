#!/usr/bin/python3
"""The installed commands `tobrins-mustrel` and `tobrins-mustrel-import`, against a staged
install of the build. The editor in the staged libexec is stood in for by a script that records
the folder it starts in and its arguments, so each case sees which workspace the launcher set up
and whether it started it; the importer is the real one.

Usage: launcher_test.py CMAKE BUILD_DIR   (exit 77: skipped)
"""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

PIECES = ("mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat")
STAND_IN = '#!/bin/sh\n{ pwd; for a; do printf "%s\\n" "$a"; done; } > "$TM_STARTED"\n'


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


class Launcher(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stage = tempfile.mkdtemp(prefix="tm-stage-")
        subprocess.run([CMAKE, "--install", BUILD, "--prefix", cls.stage], check=True,
                       stdout=subprocess.DEVNULL)
        editor = os.path.join(cls.stage, "libexec", "tobrins-mustrel", "tobrins-mustrel")
        if not os.access(editor, os.X_OK):  # installed where the launcher looks for it
            raise AssertionError(f"the editor is not installed as {editor}")
        write(editor, STAND_IN.encode())
        pieces = os.path.join(cls.stage, "share", "games", "tobrins-mustrel", "tobrinmis")
        cls.installed = {p: read(os.path.join(pieces, p)) for p in PIECES}

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.stage)

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tm-launch-")
        self.addCleanup(shutil.rmtree, self.root)
        self.home = os.path.join(self.root, "home of Tobrín")  # a blank, and not ASCII
        self.started = os.path.join(self.root, "started")
        self.here = os.path.join(self.root, "empty")
        self.workspace = os.path.join(self.home, ".local", "share", "tobrins-mustrel", "tobrinmis")
        os.makedirs(self.here)

    def launch(self, env=(), file_size_limit=None, args=(), command="tobrins-mustrel"):
        full = {"PATH": os.environ["PATH"], "HOME": self.home, "TM_STARTED": self.started}
        full = {k: v for k, v in {**full, **dict(env)}.items() if v is not None}

        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))

        if os.path.exists(self.started):
            os.remove(self.started)
        return subprocess.run([os.path.join(self.stage, "games", command), *args],
                              cwd=self.here, env=full, capture_output=True, text=True,
                              preexec_fn=limit if file_size_limit else None)

    # Started in the folder the command was started from, on the workspace given.
    def assertStartedIn(self, done, workspace, args=()):
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(read(self.started).decode().splitlines(),
                         [self.here, "--workspace", workspace, *args])

    def assertNotStarted(self, done, *says):
        self.assertEqual(done.returncode, 1)
        self.assertFalse(os.path.exists(self.started), "the editor was started")
        for text in says:
            self.assertIn(text, done.stderr)

    def assertComplete(self, workspace, also=()):
        self.assertEqual(sorted(os.listdir(workspace)), sorted([*PIECES, *also]))
        for piece in PIECES:
            path = os.path.join(workspace, piece)
            self.assertEqual(read(path), self.installed[piece], piece)
            self.assertEqual(oct(os.stat(path).st_mode & 0o777), oct(0o644), piece)

    def test_first_use_sets_up_the_workspace_from_any_folder_and_starts_the_editor_there(self):
        xdg = os.path.join(self.root, "xdg data")
        for name, env, workspace in [
                ("home", {"XDG_DATA_HOME": None}, self.workspace),
                ("absolute XDG_DATA_HOME", {"XDG_DATA_HOME": xdg},
                 os.path.join(xdg, "tobrins-mustrel", "tobrinmis")),
                ("relative XDG_DATA_HOME, ignored", {"XDG_DATA_HOME": "rel"}, self.workspace)]:
            with self.subTest(name):
                shutil.rmtree(self.home, ignore_errors=True)
                self.assertStartedIn(self.launch(env, args=["-x", "two words"]), workspace,
                                     ["-x", "two words"])
                self.assertComplete(workspace)
                self.assertEqual(os.listdir(self.here), [])

    def test_questions_and_a_named_workspace_go_straight_to_the_program(self):
        for args in (["--help"], ["-h"], ["--version"], ["--workspace", "mine", "-x"],
                     ["--workspace=mine"]):
            with self.subTest(args):
                done = self.launch({"HOME": None}, args=args)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(read(self.started).decode().splitlines(), [self.here, *args])
                self.assertFalse(os.path.exists(self.home))
        self.assertStartedIn(self.launch(args=["--", "--help"]), self.workspace, ["--", "--help"])

    def test_the_importer_works_on_the_same_workspace_from_any_folder(self):
        write(os.path.join(self.here, "m.mis"), b"[ .CLASS BICHOALIADO .TOKEN COMANDO ]\r\n"
                                                b"[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]\r\n")
        done = self.launch(args=["m.mis"], command="tobrins-mustrel-import")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn(f"wrote {self.workspace}/mis_1_1.dat: 0 lines, 0 bytes", done.stdout)
        self.assertEqual(read(os.path.join(self.workspace, "mis_1_3.dat")), b"")
        self.assertEqual(read(os.path.join(self.workspace, "mis_1_3.dat.bak")),
                         self.installed["mis_1_3.dat"])
        self.assertEqual(sorted(os.listdir(self.here)), ["m.mis"])
        self.assertStartedIn(self.launch(), self.workspace)  # the editor's, the same
        self.assertEqual(read(os.path.join(self.workspace, "mis_1_3.dat")), b"")

    @unittest.skipUnless(shutil.which("strace"), "needs strace to see the syncs")
    def test_each_copy_is_on_disk_before_its_name_and_the_names_after(self):
        log = os.path.join(self.root, "syncs")
        done = subprocess.run(["strace", "-f", "-y", "-qq", "-e", "trace=fsync,fdatasync", "-o", log,
                               os.path.join(self.stage, "games", "tobrins-mustrel")], cwd=self.here,
                              env={"PATH": os.environ["PATH"], "HOME": self.home,
                                   "TM_STARTED": self.started}, capture_output=True, text=True)
        self.assertStartedIn(done, self.workspace)
        synced = [line.split("<", 1)[1].split(">", 1)[0] for line in open(log, errors="replace")
                  if "sync(" in line and "= 0" in line]
        copies = [p for p in synced if os.path.basename(p).startswith(".mis_1_")]
        self.assertEqual(len(copies), 3, synced)
        self.assertTrue(synced and synced[-1].endswith("/tobrinmis"), synced)

    def test_later_use_adds_only_missing_pieces_and_keeps_the_users_own(self):
        os.makedirs(self.workspace)
        own = {"mis_1_2.dat": b"[ MINE ]\r\n", "gb.tmp": b"[\r\n]\r\n", "mis_1_1.dat.bak": b"o"}
        for name, data in own.items():
            write(os.path.join(self.workspace, name), data)
        os.symlink("nowhere", os.path.join(self.workspace, "mis_1_3.dat"))  # dangling, the user's
        self.assertStartedIn(self.launch(), self.workspace)
        self.assertEqual(read(os.path.join(self.workspace, "mis_1_1.dat")),
                         self.installed["mis_1_1.dat"])
        for name, data in own.items():
            self.assertEqual(read(os.path.join(self.workspace, name)), data, name)
        self.assertEqual(os.readlink(os.path.join(self.workspace, "mis_1_3.dat")), "nowhere")

    def test_an_interrupted_first_use_leaves_no_partial_piece_and_the_next_completes_it(self):
        big = max(PIECES, key=lambda p: len(self.installed[p]))
        done = self.launch(file_size_limit=len(self.installed[big]) // 2)
        self.assertNotStarted(done, f'{self.workspace}/{big}": File too large')
        for name in os.listdir(self.workspace):  # no hidden copy, no piece cut short
            self.assertEqual(read(os.path.join(self.workspace, name)), self.installed[name], name)
        self.assertNotIn(big, os.listdir(self.workspace))
        self.assertStartedIn(self.launch(), self.workspace)
        self.assertComplete(self.workspace)

    def test_a_killed_starts_copy_is_cleared_but_not_a_running_starts(self):
        os.makedirs(self.workspace)
        stale, fresh = (os.path.join(self.workspace, n) for n in (".mis_1_2.dat.Ab3", ".mis_1_3.dat.Xy9"))
        write(stale, b"[ half")
        write(fresh, b"[ half")
        os.utime(stale, (time.time() - 3600,) * 2)
        self.assertStartedIn(self.launch(), self.workspace)
        self.assertComplete(self.workspace, also=[os.path.basename(fresh)])

    def test_refuses_without_a_folder_it_can_use_and_says_why(self):
        blocker = os.path.join(self.root, "a file")
        taken = os.path.join(self.root, "taken", "tobrins-mustrel")
        os.makedirs(taken)
        write(blocker, b"")
        write(os.path.join(taken, "tobrinmis"), b"")
        for env, says in [
                ({"XDG_DATA_HOME": blocker},
                 f'could not create "{blocker}/tobrins-mustrel/tobrinmis": Not a directory'),
                ({"XDG_DATA_HOME": os.path.dirname(taken)},
                 f'could not create "{taken}/tobrinmis": File exists'),
                ({"HOME": None, "XDG_DATA_HOME": None}, "neither HOME nor XDG_DATA_HOME is set")]:
            with self.subTest(says):
                self.assertNotStarted(self.launch(env), says)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    CMAKE, BUILD = sys.argv[1:3]
    if os.name != "posix":
        print("SKIP: the launcher is a POSIX shell script")
        sys.exit(77)
    os.umask(0o022)  # the pieces' expected mode
    unittest.main(argv=[sys.argv[0], "-v"])
