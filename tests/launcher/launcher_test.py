#!/usr/bin/python3
"""The installed command `tobrins-mustrel`, tried against a staged install of the build.

The editor in the staged libexec is stood in for by a script that records the folder it was
started in and its arguments, so each case sees exactly what the launcher did: which workspace
it set up, which pieces it copied or kept, and whether it started the editor at all.

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
EDITOR = os.path.join("libexec", "tobrins-mustrel", "tobrins-mustrel")
STAND_IN = '#!/bin/sh\n{ pwd; for a; do printf "%s\\n" "$a"; done; } > "$TM_STARTED"\n'


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Launcher(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stage = tempfile.mkdtemp(prefix="tm-stage-")
        subprocess.run([CMAKE, "--install", BUILD, "--prefix", cls.stage], check=True,
                       stdout=subprocess.DEVNULL)
        with open(os.path.join(cls.stage, EDITOR), "w") as f:
            f.write(STAND_IN)
        pieces = os.path.join(cls.stage, "share", "tobrins-mustrel", "tobrinmis")
        cls.installed = {p: read(os.path.join(pieces, p)) for p in PIECES}
        cls.launcher = os.path.join(cls.stage, "bin", "tobrins-mustrel")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.stage)

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tm-launch-")
        self.addCleanup(shutil.rmtree, self.root)
        # An odd home: a blank and a name that is not ASCII.
        self.home = os.path.join(self.root, "home of Tobrín")
        self.started = os.path.join(self.root, "started")
        self.here = os.path.join(self.root, "empty")
        os.makedirs(self.home)
        os.makedirs(self.here)

    def workspace(self, data=None):
        data = data or os.path.join(self.home, ".local", "share")
        return os.path.join(data, "tobrins-mustrel", "tobrinmis")

    def launch(self, env=None, file_size_limit=None, args=()):
        full = {"PATH": os.environ["PATH"], "HOME": self.home, "TM_STARTED": self.started}
        full.update(env or {})
        full = {k: v for k, v in full.items() if v is not None}

        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))

        if os.path.exists(self.started):
            os.remove(self.started)
        return subprocess.run([self.launcher, *args], cwd=self.here, env=full,
                              capture_output=True, text=True,
                              preexec_fn=limit if file_size_limit is not None else None)

    def assertStartedIn(self, done, folder, args=()):
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(read(self.started).decode().splitlines(),
                         [os.path.realpath(folder), *args])

    def assertNotStarted(self, done, *says):
        self.assertEqual(done.returncode, 1)
        self.assertFalse(os.path.exists(self.started), "the editor was started")
        for text in says:
            self.assertIn(text, done.stderr)

    def assertComplete(self, workspace, also=()):
        self.assertEqual(sorted(os.listdir(workspace)), sorted([*PIECES, *also]))
        umask = os.umask(0)
        os.umask(umask)
        for piece in PIECES:
            path = os.path.join(workspace, piece)
            self.assertEqual(read(path), self.installed[piece], piece)
            self.assertEqual(oct(os.stat(path).st_mode & 0o777), oct(0o666 & ~umask), piece)

    def test_first_use_sets_up_the_workspace_and_starts_the_editor_there(self):
        xdg = os.path.join(self.root, "xdg data")
        cases = [
            ("home only", {"XDG_DATA_HOME": None}, self.workspace()),
            ("absolute XDG_DATA_HOME", {"XDG_DATA_HOME": xdg}, self.workspace(xdg)),
            ("relative XDG_DATA_HOME is ignored", {"XDG_DATA_HOME": "rel"}, self.workspace()),
        ]
        for name, env, workspace in cases:
            with self.subTest(name):
                shutil.rmtree(self.home)
                os.makedirs(self.home)
                done = self.launch(env, args=["--x", "two words"])
                self.assertStartedIn(done, os.path.dirname(workspace), ["--x", "two words"])
                self.assertComplete(workspace)
                self.assertEqual(os.listdir(self.here), [])

    def test_later_use_adds_only_missing_pieces_and_keeps_the_users_own(self):
        workspace = self.workspace()
        os.makedirs(workspace)
        own = {"mis_1_2.dat": b"[ MINE ]\r\n", "gb.tmp": b"[\r\n]\r\n",
               "mis_1_1.dat.bak": b"old\r\n"}
        for name, data in own.items():
            with open(os.path.join(workspace, name), "wb") as f:
                f.write(data)
        os.symlink("nowhere", os.path.join(workspace, "mis_1_3.dat"))  # the user's, dangling
        done = self.launch()
        self.assertStartedIn(done, os.path.dirname(workspace))
        self.assertEqual(read(os.path.join(workspace, "mis_1_1.dat")),
                         self.installed["mis_1_1.dat"])
        for name, data in own.items():
            self.assertEqual(read(os.path.join(workspace, name)), data, name)
        self.assertEqual(os.readlink(os.path.join(workspace, "mis_1_3.dat")), "nowhere")

    def test_an_interrupted_first_use_leaves_no_partial_piece_and_is_completed_next_time(self):
        workspace = self.workspace()
        big = max(PIECES, key=lambda p: len(self.installed[p]))
        done = self.launch(file_size_limit=len(self.installed[big]) // 2)
        self.assertNotStarted(done, f'could not copy "', f'{workspace}/{big}": File too large')
        self.assertNotIn(big, os.listdir(workspace))
        self.assertEqual([n for n in os.listdir(workspace) if n.startswith(".")], [])
        for name in os.listdir(workspace):
            self.assertEqual(read(os.path.join(workspace, name)), self.installed[name], name)

        self.assertStartedIn(self.launch(), os.path.dirname(workspace))
        self.assertComplete(workspace)

    def test_a_killed_starts_leftover_is_cleared_but_a_running_starts_copy_is_not(self):
        workspace = self.workspace()
        os.makedirs(workspace)
        stale = os.path.join(workspace, ".mis_1_2.dat.Ab3dEf")
        fresh = os.path.join(workspace, ".mis_1_3.dat.Xy9zQw")
        for path in (stale, fresh):
            with open(path, "wb") as f:
                f.write(b"[ half")
        an_hour_ago = time.time() - 3600
        os.utime(stale, (an_hour_ago, an_hour_ago))
        self.assertStartedIn(self.launch(), os.path.dirname(workspace))
        self.assertComplete(workspace, also=[os.path.basename(fresh)])

    def test_refuses_without_a_folder_it_can_use_and_says_why(self):
        blocker = os.path.join(self.root, "a file")
        with open(blocker, "w") as f:
            f.write("not a folder")
        taken = os.path.join(self.root, "taken")
        os.makedirs(os.path.join(taken, "tobrins-mustrel"))
        with open(os.path.join(taken, "tobrins-mustrel", "tobrinmis"), "w") as f:
            f.write("not a folder")
        cases = [
            ("data folder under a file", {"XDG_DATA_HOME": blocker},
             [f'could not create "{blocker}/tobrins-mustrel/tobrinmis": Not a directory']),
            ("workspace is a file", {"XDG_DATA_HOME": taken},
             [f'could not create "{taken}/tobrins-mustrel/tobrinmis": File exists']),
            ("no home at all", {"HOME": None, "XDG_DATA_HOME": None},
             ["neither HOME nor XDG_DATA_HOME is set"]),
        ]
        for name, env, says in cases:
            with self.subTest(name):
                self.assertNotStarted(self.launch(env), *says)

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"),
                         "needs root and setpriv to try a folder another user owns")
    def test_refuses_a_workspace_the_user_cannot_write(self):
        workspace = self.workspace()
        os.makedirs(workspace)
        for folder in (self.root, self.stage):
            os.chmod(folder, 0o755)
        done = subprocess.run(["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                               self.launcher], cwd="/", capture_output=True, text=True,
                              env={"PATH": os.environ["PATH"], "HOME": self.home,
                                   "TM_STARTED": self.started})
        self.assertNotStarted(done, f'could not write in "{workspace}": Permission denied')
        self.assertEqual(os.listdir(workspace), [])


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    CMAKE, BUILD = sys.argv[1:3]
    # The usual mask, so that another user can reach the staged install and the scratch homes.
    os.umask(0o022)
    if os.name != "posix":
        print("SKIP: the launcher is a POSIX shell script")
        sys.exit(77)
    unittest.main(argv=[sys.argv[0], "-v"])
