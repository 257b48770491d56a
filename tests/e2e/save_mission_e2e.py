#!/usr/bin/python3
"""The whole program on a real X display with a window manager, driven as a user drives it.

Starts the editor on a desktop of its own (tests/desktop.py: Xvfb and openbox), selects the
mission with the arrow key in the list that has the focus, goes "Next", toggles "Visisble to
enemies" and "Invincible", picks "Sniper" with the arrow keys, presses "Save Mission" and "OK",
answers the note that the workspace holds the stand-in mission with "Save anyway" (Alt+S), and
compares the written mission file with the expected bytes. Then it closes the character
sheet and checks that the program has ended.

Usage: save_mission_e2e.py PROGRAM WORKSPACE_DIR [RUNNER...]   (exit 77: skipped)
The editor runs as the installed command runs it: started in one scratch folder, named with
letters outside ASCII, on a copy of the workspace elsewhere named with --workspace. The mission
is saved in the folder it was started in, the dialog's first folder; the blocks go to the
workspace. RUNNER, when given, is the command that starts the program (cmake/wine-run --display
for a Windows one).
"""
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from desktop import Desktop, Missing  # noqa: E402

SKIP = 77
TIMEOUT = 20.0
# The first window waits for the program to start: under Wine that may include making the prefix.
STARTUP_TIMEOUT = 120.0

CHARACTER_BLOCK = """[
.CLASS BICHOALIADO
.TOKEN COMANDO
.BANDO ALEMAN
.XYZ [ 144 3557 0 ]
.ANGULO 135
.VOLCOLISION [ CILINDRO [ .R 10 .H 40 ] ]
.LISTAS [ EJEC CHOC VISI SELE ]
.ACCIONES [
[ acUsaHab [ .CARISMA 300 ] ]
[ auAcuchillar [ .CARISMA 200 ] ]
[ auUsar [ .CARISMA 200 .FLAGSUSAR FL_BALASFRANCOT ] ]
[ auCoger [ .CARISMA 200 .FLAGSRECOGER FL_BALASFRANCOT ] ]
[ auUsarVehiculo [ .CARISMA 200 ] ]
[ auBeHome [ .CARISMA 200 ] ]
[ auDisparar [
.CARISMA 200
.ARMAS [ PISTOLA PIEDRA ]
.PIEDRAS 50
.MUNESCOPETA 100
.MUNMIRILLA 8
.MUNMETRA 8
] ]
[ auEscalar [ .CARISMA 200 .ESCALAMUROS SI ] ]
[ auGoto [ .CARISMA 200 ] ]
[ acPisar [ .CARISMA 1 ] ]
[ AcDetenido [ .CARISMA 100 ] ]
[ AuGarfio [ .CARISMA 200 ] ]
[ auManejaSegnuelo [ .CARISMA 200 .OBJETOS [ [ .TOKEN SEGNUELOUNO .ACTIVABLE SI ] ] ] ]
[ AuEsposas [ .CARISMA 200 ] ]
[ AuControlAleman [ .CARISMA 200 ] ]
[ AuCogeTabacoDeMuerto [ .CARISMA 200 ] ]
[ AuTabaco [ .CARISMA 200 ] ] ]
.MASA 100
.SEHUNDE 1
.GRAPH [ .ANIM FRANCOT .RENDERVOL [ CILINDRO [ .R 10 .H 40 ] ] ]
.ORGANOS [ .MOTOR [ MotorAliado [ ] ] ]
.CONTENEDOR 1
.OCLU 0
.DETECTAEXPLOSION 0
.ELEMENTOS [ [ .CLASS MACRO .MACRO SEGNUELO .TOKEN SEGNUELOUNO ] ]
.NOAGACHA 0
]
"""

INTERFACE_BLOCK = """[ SUBINTERFACEALIADO [
.TOKEN COMANDO
.CARETO CARA0001.RLE
.ITEMS [
[ .TOKEN IT_PISTOLA ]
[ .TOKEN IT_MANO ]
[ .TOKEN IT_CUCHILLO ]
[ .TOKEN IT_SEGNUELO ]
[ .TOKEN IT_ACTSENUELOOFF .DISPONIBLE NO ]
[ .TOKEN IT_ACTSENUELOON .DISPONIBLE NO ]
[ .TOKEN IT_PIEDRA ]
[ .TOKEN IT_ESPOSAS ]
[ .TOKEN IT_TABACO .DISPONIBLE NO ]
[ .TOKEN IT_CONTROLALEMAN .DISPONIBLE NO ]
] ] ]
"""


def crlf(text):
    return text.replace("\n", "\r\n").encode("ascii")


def wait_for(what, check, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = check()
        if result:
            return result
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


def xlib():
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                          ctypes.c_int, ctypes.c_int, ctypes.c_void_p,
                                          ctypes.c_void_p, ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


class Display:
    def __init__(self, name):
        self.env = dict(os.environ, DISPLAY=name)
        self.name = name

    def xdotool(self, *args):
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        return done.stdout.strip() if done.returncode == 0 else ""

    def window(self, title, timeout=TIMEOUT):
        """The visible window with exactly this title, and its client area's top-left corner on
        the screen. (xdotool's own answer is off by the frame when a window manager has
        reparented the window, so the corner is asked of the X server.)"""
        def find():
            ids = self.xdotool("search", "--onlyvisible", "--name", f"^{title}$").split()
            return ids[0] if ids else None
        wid = wait_for(f'window "{title}"', find, timeout)
        x11 = xlib()
        dpy = x11.XOpenDisplay(self.name.encode())
        x, y, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        x11.XTranslateCoordinates(dpy, int(wid), x11.XDefaultRootWindow(dpy), 0, 0,
                                  ctypes.byref(x), ctypes.byref(y), ctypes.byref(child))
        x11.XCloseDisplay(dpy)
        return wid, x.value, y.value

    def gone(self, title):
        return not self.xdotool("search", "--onlyvisible", "--name", f"^{title}$")

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")

    def key(self, *keys):
        self.xdotool("key", "--delay", "50", *keys)

    def close(self, wid):
        """Asks the window to close, as a window manager's close box does."""
        x11 = xlib()

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                        ("pad", ctypes.c_long * 12)]

        dpy = x11.XOpenDisplay(self.name.encode())
        event = ClientMessage()
        event.type = 33  # ClientMessage
        event.window = int(wid)
        event.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.format = 32
        event.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(dpy, int(wid), 0, 0, ctypes.byref(event))
        x11.XFlush(dpy)
        x11.XCloseDisplay(dpy)


def run(command, folder, workspace):
    """Runs the editor in folder on the workspace; the mission is saved in folder."""
    with Desktop() as name:
        display = Display(name)
        env = dict(display.env)
        env.pop("QT_QPA_PLATFORM", None)
        editor = subprocess.Popen(command + ["--workspace", workspace], cwd=folder, env=env)
        try:
            return drive(display, editor, folder, workspace)
        finally:
            if editor.poll() is None:
                editor.kill()
                editor.wait()


def drive(display, editor, folder, pieces):
    # The selection window opens with the focus on the "Mission Pack" list: an arrow key
    # selects the mission, then "Next".
    selection, x, y = display.window("Tobrin's Mustrel", STARTUP_TIMEOUT)
    wait_for("the window to be active", lambda: display.xdotool("getactivewindow") == selection)
    display.key("Down")
    display.click(x + 320 + 44, y + 344 + 12)

    # The character sheet: two boxes of "Extras", an appearance, "Save Mission".
    sheet, x, y = display.window(r"GB in \[Guess who's coming tonight\]")
    display.click(x + 160 + 8 + 8, y + 136 + 24 + 8)  # Visisble to enemies
    display.click(x + 160 + 8 + 8, y + 136 + 40 + 8)  # Invincible
    display.click(x + 8 + 8 + 40, y + 192 + 24 + 7)  # GB_Normal, first of the list
    display.key("Down", "Down")  # to Sniper
    display.click(x + 312 + 48, y + 344 + 12)  # Save Mission

    # The save dialog: the folder list starts at the editor's folder; "OK".
    _, x, y = display.window("Save Mission")
    target = os.path.join(folder, "Mapa0001.mis")
    display.click(x + 152 + 64, y + 144 + 12)
    # The workspace holds the shipped stand-ins: the note says so, and the mission is saved anyway.
    note, _, _ = display.window("Tobrin's Mustrel")
    wait_for("the note to be active", lambda: display.xdotool("getactivewindow") == note)
    if os.path.exists(os.path.join(folder, "Mapa0001.mis")):
        raise AssertionError("the mission was written before the note was answered")
    display.key("alt+s")
    wait_for("the dialog to hide", lambda: display.gone("Save Mission"))

    # Windows locks a folder saved to through its hidden lock file, which stays; POSIX leaves none.
    left = sorted(os.listdir(folder))
    windows = any(str(arg).endswith(".exe") for arg in editor.args)
    if left != ["Mapa0001.mis"] and not (windows and left == [".tm-lock", "Mapa0001.mis"]):
        raise AssertionError(f"the folder the editor started in holds {left}")
    expected = b"".join([
        open(os.path.join(pieces, "mis_1_1.dat"), "rb").read(),
        crlf(CHARACTER_BLOCK),
        open(os.path.join(pieces, "mis_1_2.dat"), "rb").read(),
        crlf(INTERFACE_BLOCK),
        open(os.path.join(pieces, "mis_1_3.dat"), "rb").read(),
    ])
    written = open(target, "rb").read()
    if written != expected:
        at = next((i for i, (a, b) in enumerate(zip(written, expected)) if a != b),
                  min(len(written), len(expected)))
        raise AssertionError(f"Mapa0001.mis differs from the expected mission at byte {at}: "
                             f"{written[max(0, at - 60):at + 60]!r} instead of "
                             f"{expected[max(0, at - 60):at + 60]!r}")

    # Closing the character sheet ends the program.
    display.close(sheet)
    status = editor.wait(timeout=TIMEOUT)
    if status != 0:
        raise AssertionError(f"the editor ended with status {status}")
    print("PASS: the mission file is as expected and the program ended when the sheet closed")
    return 0


def main():
    args = sys.argv[1:]
    if len(args) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    if shutil.which("xdotool") is None:
        print("SKIP: xdotool is not installed, so the program cannot be driven on a display")
        return SKIP
    with tempfile.TemporaryDirectory(prefix="tm-e2e-Grüne Mütze-") as scratch:
        try:
            workspace = os.path.join(scratch, "data", "tobrinmis")
            shutil.copytree(args[1], workspace, ignore=shutil.ignore_patterns("*.tmp", "*.bak"))
            here = os.path.join(scratch, "started here")
            os.mkdir(here)
            return run(args[2:] + [os.path.abspath(args[0])], here, workspace)
        except Missing as missing:
            print(f"SKIP: {missing}")
            return SKIP
        except AssertionError as failure:
            print(f"FAIL: {failure}")
            return 1


if __name__ == "__main__":
    sys.exit(main())
