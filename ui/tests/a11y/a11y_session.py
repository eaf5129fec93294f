"""A private desktop for the accessibility tests: Xvfb, a D-Bus session with
the accessibility bus started before the program, and the program itself run
from a copy in a temporary folder (it keeps its settings file beside itself).

A test script calls run(main, program): outside the session this starts Xvfb
and re-runs the script under dbus-run-session; inside, it starts the program
and calls main(session). Exit code 77 means "skipped" (a tool is missing).
"""

import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

SKIP = 77
INNER = "PAARIX_A11Y_INNER"
# Debian's python: pyatspi exists for it alone.
PYTHON = "/usr/bin/python3"

# The window's fixed texts, exactly as the player hears and reads them.
TITEL_ANFANG = "Paarix Version 27.02.2012"
LST_BRL = [
    "20er Braillezeile! 6 Karten für Einsteiger!",
    "40er Braillezeile! 16 Karten Standardgröße!",
    "70er Braillezeile! 26 Karten nur für Profis!",
]
LST_ANZAHL = ["Ein Spieler", "Zwei Spieler", "Drei Spieler", "Vier Spieler"]
BUTTONS = ["Drücke Enter für die Anleitung", "Neues Spiel", "Programmende"]
HILFE_ZEILEN = [
    "Bedienung von Paarix:",
    "Mit ESCAPE verlässt Du diesen Text.",
    "Tab = Wähle mit den Pfeiltasten Deine Braillezeile aus!",
    "Tab = Wähle mit den PFEILTASTEN die Anzahl der Mitspieler aus.",
    "Tab = Du stehst im Spielfeld. Die Karten sind verdeckt.",
    "Du findest für jede verdeckte Karte einen Punkt vor!",
    "Einmal Routingtaste = Zeigt das Bild der verdeckten Karte.",
    "Alternativ kannst Du mit Pfeillinks -rechts und Leertaste arbeiten!",
    "Suche die zwei gleichen Karten. Du hast immer 2 Versuche!",
    "Hast Du Glück, so darfst Du weiterspielen.",
    "Anderenfalls ist jetzt Dein Mitspieler an der Reihe!",
    "Merke Dir also unbedingt die Position der Karten!",
    "Rechts findest Du die Punkte der Mitspieler.",
    "Es sind die Buchstaben a - z, die für 1 bis 26 Punkte stehen!",
    "Die erkannten Karten werden durch einen Strich gekennzeichnet!",
    "Tab und Enter, = Ein neues Spiel beginnt.",
    "Tab und Enter = Paarix wird beendet!",
    "Arbeitest du mit NVDA, kann es sein, dass die Braillezeile ganz",
    "rechts das Spielfeld anzeigt. Drück in diesem Fall den Buchstaben v,",
    "um die Darstellung unter NVDA zu optimieren.",
    "Zur Aufhebung der vollbild-Darstellung drücke ESCAPE!",
]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def log(*args):
    print(*args, flush=True)


def skip(reason):
    log("SKIPPED: " + reason)
    sys.exit(SKIP)


def wait_until(predicate, timeout, what, pump=None, step=0.01):
    """Polls `predicate` (pumping events in between) until it gives a true value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what))
        if pump:
            pump(step)
        else:
            time.sleep(step)


def _check_tools(tools):
    missing = [tool for tool in ("Xvfb", "xdotool", "dbus-run-session", "dbus-send") + tuple(tools)
               if shutil.which(tool) is None]
    if not os.path.exists(PYTHON):
        missing.append(PYTHON)
    if missing:
        skip("missing " + ", ".join(missing) + " (Debian: xvfb xdotool dbus dbus-x11 at-spi2-core orca)")
    probe = subprocess.run([PYTHON, "-c", "import importlib.util, sys; "
                            "sys.exit(0 if importlib.util.find_spec('pyatspi') else 1)"])
    if probe.returncode != 0:
        skip("pyatspi is missing for %s (Debian: python3-pyatspi gir1.2-atspi-2.0)" % PYTHON)


def _start_xvfb(workdir):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-noreset"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                            stderr=open(os.path.join(workdir, "xvfb.log"), "wb"))
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 20
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        xvfb.kill()
        raise Failure("Xvfb did not start (see xvfb.log)")
    return xvfb, ":" + number.decode().strip()


def run(main, tools=(), settings="0,1,0\r\n"):
    """Entry point of a test script: main(session) runs inside the private desktop."""
    if os.environ.get(INNER):
        sys.exit(_inner(main))
    if len(sys.argv) < 2:
        log("usage: %s PROGRAM" % sys.argv[0])
        sys.exit(2)
    _check_tools(tools)
    program = os.path.abspath(sys.argv[1])
    workdir = tempfile.mkdtemp(prefix="paarix-a11y-")
    keep = os.environ.get("PAARIX_A11Y_KEEP")
    xvfb = None
    try:
        xvfb, display = _start_xvfb(workdir)
        # The program keeps its settings beside itself: a copy in its own folder.
        bindir = os.path.join(workdir, "bin")
        os.makedirs(bindir)
        shutil.copy2(program, os.path.join(bindir, "paarix"))
        with open(os.path.join(bindir, "paarix.ini"), "w", newline="") as ini:
            ini.write(settings)
        # No sound card is wanted: an ALSA configuration without devices makes the
        # program fall back to its silent tone device, which keeps every cue's length.
        alsa = os.path.join(workdir, "alsa.conf")
        open(alsa, "w").close()
        env = dict(os.environ)
        for name in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "SESSION_MANAGER"):
            env.pop(name, None)
        home = os.path.join(workdir, "home")
        runtime = os.path.join(workdir, "run")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        env.update({
            INNER: "1",
            "DISPLAY": display,
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_RUNTIME_DIR": runtime,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "NO_AT_BRIDGE": "0",
            "ALSA_CONFIG_PATH": alsa,
            "PAARIX_A11Y_WORKDIR": workdir,
            "PAARIX_A11Y_PROGRAM": os.path.join(bindir, "paarix"),
        })
        log("desktop %s, work folder %s" % (display, workdir))
        inner = subprocess.run(["dbus-run-session", "--", PYTHON, os.path.abspath(sys.argv[0])] + sys.argv[1:],
                               env=env, timeout=600)
        return_code = inner.returncode
    finally:
        if xvfb is not None:
            xvfb.terminate()
            try:
                xvfb.wait(5)
            except subprocess.TimeoutExpired:
                xvfb.kill()
    if return_code != 0 or keep:
        log("work folder kept: %s" % workdir)
    else:
        shutil.rmtree(workdir, ignore_errors=True)
    sys.exit(return_code)


class Session:
    """The running program and the accessibility side of it."""

    def __init__(self):
        self.workdir = os.environ["PAARIX_A11Y_WORKDIR"]
        self.program_path = os.environ["PAARIX_A11Y_PROGRAM"]
        self.program = None
        self.events = []
        self._listening = False

    # The program.

    def start(self):
        # Qt never starts the accessibility bus itself; it must answer before the program asks.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                        "org.a11y.Bus.GetAddress"], check=True, stdout=subprocess.DEVNULL, timeout=20)
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi, GLib
        import pyatspi
        self.Atspi, self.GLib, self.pyatspi = Atspi, GLib, pyatspi
        # Slow answers are to be measured, not to be mistaken for errors.
        Atspi.set_timeout(20000, 30000)
        self.stderr = open(os.path.join(self.workdir, "paarix.err"), "wb")
        self.program = subprocess.Popen([self.program_path], cwd=self.workdir, stdout=self.stderr,
                                        stderr=self.stderr)
        self.app = wait_until(self._find_app, 30, "the program on the accessibility desktop", self.pump, 0.1)
        self.window_id = wait_until(self._find_window, 20, "the program's window", None, 0.1)
        self.focus_window()

    def _find_app(self):
        check(self.program.poll() is None, "the program ended at start-up (%s)" % self.program.returncode)
        desktop = self.pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "paarix" and app.childCount > 0:
                return app
        return None

    def _find_window(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.program.pid)],
                               capture_output=True, text=True)
        ids = found.stdout.split()
        return ids[-1] if ids else None

    def focus_window(self, focused=None):
        """There is no window manager: after the window was hidden and shown, nothing
        has the keyboard until it is given back. `focused` names the control that
        must then have the focus; giving the focus is repeated until it has."""
        deadline = time.monotonic() + 20
        while True:
            self.window_id = wait_until(self._find_window, 10, "the program's window", None, 0.05)
            # Qt may still count a window shown again as its focus window and then ignores
            # the focus coming back, while the keys go to it but no control reports the focus.
            # Through the root window first: Qt lets its focus window go once the X focus
            # has stayed away for a moment (400 ms).
            root = subprocess.run(["xdotool", "search", "--maxdepth", "0", "--name", ""], capture_output=True,
                                  text=True, timeout=10).stdout.split()
            if root and focused is not None and not self.has_state(focused, "focused"):
                subprocess.run(["xdotool", "windowfocus", "--sync", root[0]], timeout=10)
                self.pump(0.6)
            subprocess.run(["xdotool", "windowfocus", "--sync", self.window_id], check=True, timeout=10)
            if focused is None:
                return
            until = time.monotonic() + 1.0
            while time.monotonic() < until:
                if self.has_state(focused, "focused"):
                    return
                self.pump(0.05)
            if time.monotonic() > deadline:
                raise Failure("the window does not take the focus back")

    def key(self, *keys):
        """Sends keys; returns the time just before xdotool was started."""
        started = time.monotonic()
        delay = "30" if len(keys) > 1 else "0"
        subprocess.run(["xdotool", "key", "--delay", delay] + list(keys), check=True, timeout=20)
        return started

    def xdotool_startup(self):
        """How long xdotool takes to start and reach the X server (the median of a few runs)."""
        times = []
        for _ in range(5):
            started = time.monotonic()
            subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, timeout=20)
            times.append(time.monotonic() - started)
        return sorted(times)[len(times) // 2]

    def close(self):
        """Ends the program through its quit button and returns its exit code."""
        button = self.find("push button", "Programmende")
        button.queryAction().doAction(0)
        try:
            return self.program.wait(60)
        except subprocess.TimeoutExpired:
            self.program.kill()
            raise Failure("the program did not end after its quit button")

    def stop(self):
        if self.program is not None and self.program.poll() is None:
            self.program.send_signal(signal.SIGTERM)
            try:
                self.program.wait(20)
            except subprocess.TimeoutExpired:
                self.program.kill()

    def program_output(self):
        self.stderr.flush()
        with open(os.path.join(self.workdir, "paarix.err"), "rb") as err:
            return err.read().decode("utf-8", "replace")

    def settings(self):
        with open(os.path.join(os.path.dirname(self.program_path), "paarix.ini"), "rb") as ini:
            return ini.read()

    # The accessibility tree.

    def frame(self):
        return self.app.getChildAtIndex(0)

    def controls(self):
        frame = self.frame()
        return [frame.getChildAtIndex(i) for i in range(frame.childCount)]

    def find(self, role, name=None, where=None):
        for child in self.controls():
            if child.getRoleName() == role and (name is None or child.name == name) and (where is None or where(child)):
                return child
        raise Failure("no %s %r in the window" % (role, name))

    def field(self):
        return self.find("text", where=lambda c: not self.has_state(c, "multi line"))

    def help_text(self):
        return self.find("text", where=lambda c: self.has_state(c, "multi line"))

    def lists(self):
        return [c for c in self.controls() if c.getRoleName() == "list"]

    def has_state(self, accessible, state):
        return any(self.pyatspi.stateToString(s) == state for s in accessible.getState().getStates())

    # Events.

    def listen(self, *types):
        def record(event):
            # Plain fields only: anything else is a call into the program.
            data = event.any_data
            self.events.append((time.monotonic(), event.type, event.detail1, event.detail2,
                                data if isinstance(data, (str, int)) else None,
                                event.source.path if event.source is not None else None))
        self._record = record
        self.pyatspi.Registry.registerEventListener(record, *types)
        # Qt sends events only once the registry told it that someone listens.
        self.pump(0.7)

    def pump(self, seconds):
        context = self.GLib.MainContext.default()
        deadline = time.monotonic() + seconds
        while True:
            while context.iteration(False):
                pass
            if time.monotonic() >= deadline:
                return
            time.sleep(0.001)

    def events_since(self, since, kind=None, path=None):
        return [e for e in self.events if e[0] >= since and (kind is None or e[1].startswith(kind))
                and (path is None or e[5] == path)]

    def wait_event(self, since, kind, what, timeout=10, path=None, where=lambda e: True):
        return wait_until(lambda: next((e for e in self.events_since(since, kind, path) if where(e)), None),
                          timeout, what, self.pump, 0.002)


def _inner(main):
    session = Session()
    try:
        session.start()
        main(session)
        log("PASSED")
        return 0
    except Exception as failure:  # a broken test is reported like a failed check
        if not isinstance(failure, Failure):
            traceback.print_exc()
        log("FAILED: %s" % failure)
        if session.program is not None:
            log("program output:\n" + session.program_output())
        return 1
    finally:
        session.stop()
