#!/usr/bin/python3
"""A desktop for tests: a fresh Xvfb display with openbox managing its windows.

Bare Xvfb has no window manager, so no window there is ever activated or given the keyboard
focus; keys then reach the program as they never do on a desktop. With openbox, windows are
framed, activated and focused as under any window manager.

As a module: `with Desktop() as name:` runs the block on display `name`.
As a command: desktop.py COMMAND [ARG...] runs COMMAND there with DISPLAY set and the Qt
platform set to xcb, and ends with its status; 77 (skipped) when Xvfb or openbox is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
STARTUP_TIMEOUT = 20.0


class Missing(Exception):
    """A tool the desktop needs is not installed."""


class Desktop:
    def __enter__(self):
        for tool in ("Xvfb", "openbox"):
            if shutil.which(tool) is None:
                raise Missing(f"{tool} is not installed, so there is no desktop to test on")
        read_end, write_end = os.pipe()
        # Without -noreset the server resets whenever its last client leaves.
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.xvfb.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = f":{number}"
        # openbox runs its startup command once it manages the screen; until then a window
        # would be mapped unmanaged.
        self.scratch = tempfile.mkdtemp(prefix="tm-desktop-")
        ready = os.path.join(self.scratch, "ready")
        env = dict(os.environ, DISPLAY=self.name, HOME=self.scratch,
                   XDG_CONFIG_HOME=self.scratch, XDG_CACHE_HOME=self.scratch)
        self.wm = subprocess.Popen(["openbox", "--sm-disable", "--startup", f"touch {ready}"],
                                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + STARTUP_TIMEOUT
        while not os.path.exists(ready):
            if self.wm.poll() is not None or time.monotonic() > deadline:
                self.__exit__(None, None, None)
                raise RuntimeError("openbox did not start")
            time.sleep(0.05)
        return self.name

    def __exit__(self, *exc):
        for process in (self.wm, self.xvfb):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(self.scratch, ignore_errors=True)
        return False


def main(command):
    try:
        with Desktop() as name:
            env = dict(os.environ, DISPLAY=name, QT_QPA_PLATFORM="xcb")
            env.pop("WAYLAND_DISPLAY", None)
            return subprocess.run(command, env=env).returncode
    except Missing as missing:
        print(f"SKIP: {missing}")
        return SKIP


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1:]))
