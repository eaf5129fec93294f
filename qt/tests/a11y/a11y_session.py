"""A private desktop for the screen-reader tests: Xvfb, a D-Bus session with the
accessibility bus started before the program, and the program run from a copy in
a temporary folder (it keeps its settings file beside itself). A script calls
run(main): outside the session this starts Xvfb and re-runs the script under
dbus-run-session; inside, it starts the program and calls main(session).
Exit code 77 means skipped (a tool is missing)."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

SKIP, INNER, PYTHON = 77, "PAARIX_A11Y_INNER", "/usr/bin/python3"  # pyatspi exists for Debian's python alone

# The window's fixed texts, read from the program's own source.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "Texte.h"), encoding="utf-8") as _f:
    _T = re.findall(r'QStringLiteral\("((?:[^"\\]|\\.)*)"\)', _f.read())
assert len(_T) == 33, "Texte.h changed: %d texts" % len(_T)
TITEL, BUTTONS = _T[0], [t.replace("&", "") for t in _T[1:4]]
LST_BRL, LST_ANZAHL, HILFE_ZEILEN = _T[4:7], _T[7:11], _T[11:32]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def log(*args):
    print(*args, flush=True)


def wait_until(predicate, timeout, what, pump=time.sleep, step=0.01):
    """Polls `predicate`, pumping events in between, until it gives a true value."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        check(time.monotonic() < deadline, "timed out after %.1f s waiting for %s" % (timeout, what))
        pump(step)
    return value


def run(main, tools=(), settings="0,1,0\r\n"):
    if os.environ.get(INNER):
        sys.exit(_inner(main))
    missing = [t for t in ("Xvfb", "xdotool", "dbus-run-session", "dbus-send") + tuple(tools) if not shutil.which(t)]
    if missing or not os.path.exists(PYTHON) or subprocess.run(
            [PYTHON, "-c", "import pyatspi"], stderr=subprocess.DEVNULL).returncode != 0:
        log("SKIPPED: missing %s (Debian: xvfb xdotool dbus-x11 at-spi2-core orca python3-pyatspi)"
            % ", ".join(missing or ["pyatspi for " + PYTHON]))
        sys.exit(SKIP)
    work = tempfile.mkdtemp(prefix="paarix-a11y-")
    bindir, home = os.path.join(work, "bin"), os.path.join(work, "home")
    os.makedirs(bindir), os.makedirs(os.path.join(home, "run"), mode=0o700)
    shutil.copy2(os.path.abspath(sys.argv[1]), os.path.join(bindir, "paarix"))
    with open(os.path.join(bindir, "paarix.ini"), "w", newline="") as ini:
        ini.write(settings)
    open(os.path.join(work, "alsa.conf"), "w").close()  # no sound card: silent cues that keep their length
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                             "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    display = os.read(read_end, 16).decode().strip()
    env = {k: v for k, v in os.environ.items()
           if k not in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "SESSION_MANAGER")}
    env.update({INNER: "1", "DISPLAY": ":" + display, "HOME": home, "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                "XDG_RUNTIME_DIR": os.path.join(home, "run"), "QT_QPA_PLATFORM": "xcb",
                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "NO_AT_BRIDGE": "0",
                "ALSA_CONFIG_PATH": os.path.join(work, "alsa.conf"), "PAARIX_A11Y_WORKDIR": work})
    log("desktop :%s, work folder %s" % (display, work))
    try:
        code = subprocess.run(["dbus-run-session", "--", PYTHON] + sys.argv, env=env, timeout=600).returncode
    finally:
        xvfb.terminate()
        xvfb.wait(10)
    if code or os.environ.get("PAARIX_A11Y_KEEP"):
        log("work folder kept: %s" % work)
    else:
        shutil.rmtree(work, ignore_errors=True)
    sys.exit(code)


class Session:
    """The running program and the accessibility side of it."""

    def __init__(self):
        self.workdir = os.environ["PAARIX_A11Y_WORKDIR"]
        self.ini = os.path.join(self.workdir, "bin", "paarix.ini")
        self.events, self.program = [], None

    def start(self):
        # Qt never starts the accessibility bus itself; it must answer before the program asks.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                        "org.a11y.Bus.GetAddress"], check=True, stdout=subprocess.DEVNULL, timeout=20)
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi, GLib
        import pyatspi
        self.GLib, self.pyatspi = GLib, pyatspi
        Atspi.set_timeout(20000, 30000)  # slow answers are measured, not errors
        self.err = open(os.path.join(self.workdir, "paarix.err"), "w+b")
        self.program = subprocess.Popen([os.path.join(self.workdir, "bin", "paarix")], cwd=self.workdir,
                                        stdout=self.err, stderr=self.err)
        self.app = wait_until(self._app, 30, "the program on the accessibility desktop", self.pump, 0.1)
        self.focus_window()

    def _app(self):
        check(self.program.poll() is None, "the program ended at start-up (%s)" % self.program.returncode)
        desktop = self.pyatspi.Registry.getDesktop(0)
        apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
        return next((a for a in apps if a is not None and a.name == "paarix" and a.childCount > 0), None)

    def focus_window(self, focused=None):
        """No window manager: a window hidden and shown again gets the keyboard back
        from here, until `focused` (if given) has the focus. Through the root window
        first: Qt lets go of its focus window once the X focus stayed away 400 ms."""
        for _ in range(10):
            ids = wait_until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(
                self.program.pid)], capture_output=True, text=True).stdout.split(), 10, "the window", step=0.05)
            if focused is not None and not self.has_state(focused, "focused"):
                subprocess.run("xdotool windowfocus --sync $(xdotool search --maxdepth 0 --name '')", shell=True)
                self.pump(0.6)
            subprocess.run(["xdotool", "windowfocus", "--sync", ids[-1]], check=True, timeout=10)
            if focused is None:
                return
            for _ in range(20):
                if self.has_state(focused, "focused"):
                    return
                self.pump(0.05)
        raise Failure("the window does not take the focus back")

    def key(self, *keys):
        """Sends keys; returns the time just before xdotool started."""
        started = time.monotonic()
        subprocess.run(["xdotool", "key", "--delay", "30"] + list(keys), check=True, timeout=20)
        return started

    def controls(self):
        frame = self.frame()
        return [frame.getChildAtIndex(i) for i in range(frame.childCount)]

    def frame(self):
        return self.app.getChildAtIndex(0)

    def find(self, role, name=None, multi=None):
        found = [c for c in self.controls() if c.getRoleName() == role and name in (None, c.name)
                 and multi in (None, self.has_state(c, "multi line"))]
        check(found, "no %s %r in the window" % (role, name))
        return found[0]

    def has_state(self, accessible, state):
        return any(self.pyatspi.stateToString(s) == state for s in accessible.getState().getStates())

    def only_showing(self, *paths):
        return all(self.has_state(c, "showing") == (c.path in paths) for c in self.controls())

    def listen(self, *types):
        def record(e):  # plain fields only: anything else would be a call into the program
            data = e.any_data if isinstance(e.any_data, (str, int)) else None
            self.events.append((time.monotonic(), e.type, e.detail1, data, e.source.path if e.source else None))
        self._record = record
        self.pyatspi.Registry.registerEventListener(record, *types)
        self.pump(0.7)  # Qt sends events only once the registry told it that someone listens

    def pump(self, seconds):
        context, deadline = self.GLib.MainContext.default(), time.monotonic() + seconds
        while True:
            while context.iteration(False):
                pass
            if time.monotonic() >= deadline:
                return
            time.sleep(0.001)

    def events_since(self, since, kind, path):
        return [e for e in self.events if e[0] >= since and e[1].startswith(kind) and e[4] == path]

    def wait_event(self, since, kind, path, what, where=lambda e: True):
        return wait_until(lambda: next((e for e in self.events_since(since, kind, path) if where(e)), None), 10,
                          what, self.pump, 0.002)

    def close(self):
        """Ends the program through its quit button; returns its exit code."""
        self.find("push button", BUTTONS[2]).queryAction().doAction(0)
        return self.program.wait(60)


def _inner(main):
    session = None
    try:
        session = Session()
        session.start()
        main(session)
        log("PASSED")
        return 0
    except Exception as failure:  # a broken test is reported like a failed check
        if not isinstance(failure, Failure):
            traceback.print_exc()
        log("FAILED: %s" % failure)
        if session is not None and session.program is not None:
            session.err.seek(0)
            log("program output:\n" + session.err.read().decode("utf-8", "replace"))
        return 1
    finally:
        if session is not None and session.program is not None and session.program.poll() is None:
            session.program.terminate()
            session.program.wait(20)
