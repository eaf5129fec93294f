"""The program on a private desktop (xvfb-run and dbus-run-session, see CMakeLists.txt), started as a player
starts it: from a copy in a temporary folder (it keeps paarix.ini beside itself), with nothing that switches its
accessibility on, while the desktop reports no screen reader; one comes later. Exit code 77 means skipped."""

import os, re, shutil, subprocess, sys, tempfile, threading, time, traceback  # noqa: E401

# The window's fixed texts, from the program's own source.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../window/Texte.h"), encoding="utf-8") as f:
    _SRC = f.read()
_STRINGS = r'u"((?:[^"\\]|\\.)*)"'
LST_BRL, LST_ANZAHL = (re.findall(_STRINGS, re.search(name + r"\s*=\s*\{(.*?)\};", _SRC, re.S)[1])
                       for name in ("LstBrl", "LstAnzahl"))
BUTTONS = [c.replace("&", "") for c in re.findall(r'return u"([^"]*)";', _SRC)]
SPIEL_BESCHREIBUNG = re.search(r"SpielBeschreibung =\s*" + _STRINGS, _SRC)[1]
log = lambda *args: print(*args, flush=True)  # noqa: E731


class Failure(Exception): pass  # noqa: E701
class Skipped(Exception): pass  # noqa: E701  (the test cannot run here; the reason is its text)


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(predicate, timeout, what, pump=time.sleep, step=0.01):
    """Polls `predicate`, pumping events in between, until it gives a true value."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        check(time.monotonic() < deadline, "timed out after %.1f s waiting for %s" % (timeout, what))
        pump(step)
    return value


class Session:
    alsa_config = ""  # ALSA's whole configuration; empty: no sound card, silent cues keep their length

    def start(self, program):
        bus = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus"]
        subprocess.run(bus + ["org.a11y.Bus.GetAddress"], check=True, stdout=subprocess.DEVNULL, timeout=20)

        def status(on):
            for key in ("IsEnabled", "ScreenReaderEnabled"):
                subprocess.run(bus + ["org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:" + key,
                                      "variant:boolean:" + on], check=True, stdout=subprocess.DEVNULL)
        status("false")
        import pyatspi
        from gi.repository import Atspi, GLib
        self.GLib, self.pyatspi, self.events = GLib, pyatspi, []
        Atspi.set_timeout(20000, 30000)  # slow answers are measured, not errors
        self.workdir = tempfile.mkdtemp(prefix="paarix-a11y-")
        binary, self.ini, alsa = (os.path.join(self.workdir, n) for n in ("paarix", "paarix.ini", "alsa.conf"))
        shutil.copy2(program, binary)
        open(self.ini, "w", newline="").write("0,1,0\r\n")
        open(alsa, "w").write(self.alsa_config)
        env = dict(os.environ, ALSA_CONFIG_PATH=alsa, QT_QPA_PLATFORM="xcb", HOME=self.workdir,
                   XDG_RUNTIME_DIR=self.workdir)
        self.err = open(os.path.join(self.workdir, "err"), "w+b")
        self.program = subprocess.Popen([binary], env=env, stdout=self.err, stderr=self.err)
        self.focus_window()
        status("true")
        self.app = wait_until(self._app, 30, "the program on the accessibility desktop", self.pump, 0.1)

    def _app(self):
        check(self.program.poll() is None, "the program ended at start-up (%s)" % self.program.returncode)
        return next((a for a in self.pyatspi.Registry.getDesktop(0) if a and a.name == "paarix" and a.childCount), None)

    def focus_window(self, focused=None):
        """No window manager: gives the window the keyboard until `focused` (if given) has the
        focus; through the root window, as Qt lets go of its focus once the X focus stayed away 400 ms."""
        for _ in range(10):
            ids = wait_until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(
                self.program.pid)], capture_output=True, text=True).stdout.split(), 30, "the window", step=0.05)
            if focused is not None and not self.has_state(focused, "focused"):
                subprocess.run("xdotool windowfocus --sync $(xdotool search --maxdepth 0 --name '')", shell=True)
                self.pump(0.6)
            subprocess.run(["xdotool", "windowfocus", "--sync", ids[-1]], check=True, timeout=10)
            for _ in range(20):
                if focused is None or self.has_state(focused, "focused"):
                    return
                self.pump(0.05)
        raise Failure("the window does not take the focus back")

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "30", *keys], check=True, timeout=20)

    def controls(self, role, multi_line=None):
        return [c for c in self.app[0] if c.getRoleName() == role
                and multi_line in (None, self.has_state(c, "multi line"))]

    def has_state(self, accessible, state):
        return any(self.pyatspi.stateToString(s) == state for s in accessible.getState().getStates())

    def listen(self, *types):
        def record(e):  # plain fields only: anything else would be a call into the program
            data = e.any_data if isinstance(e.any_data, (str, int)) else None
            self.events.append((time.monotonic(), e.type, e.detail1, data, e.source.path if e.source else None))
        self._record = record
        self.pyatspi.Registry.registerEventListener(record, *types)
        self.pump(0.7)  # Qt sends events only once the registry told it that someone listens

    def pump(self, seconds):
        deadline = time.monotonic() + seconds
        while self.GLib.MainContext.default().iteration(False) or time.monotonic() < deadline:
            time.sleep(0.001)


def andere_orcas():  # the PIDs of the Orcas of this user, as Orca itself looks for them
    pgrep = subprocess.run(["pgrep", "-u", str(os.getuid()), "-x", "orca"], capture_output=True, text=True)
    return ", ".join(pgrep.stdout.split())


def orca_command():
    """Orca refuses to start while another Orca of this user runs anywhere on the machine (it asks
    `pgrep -u UID -x orca`): the test's Orca runs in a PID namespace of its own (in a user namespace
    mapping the user to itself unless root; D-Bus checks the user id), sharing mounts and network with
    the display and buses; --kill-child ends it with unshare. Where no namespace can be made, Orca runs
    plain if no other Orca runs, and the test is skipped if one does."""
    orca = ["orca"]
    why = []
    for unshare in (["unshare", "--pid", "--fork", "--mount-proc", "--kill-child"],
                    ["unshare", "--map-current-user", "--pid", "--fork", "--mount-proc", "--kill-child"]):
        try:
            probe = subprocess.run(unshare + ["true"], capture_output=True, text=True, timeout=20)
        except OSError as error:
            why.append(str(error))
            continue
        if probe.returncode == 0:
            log("Orca in a PID namespace of its own:", " ".join(unshare))
            return unshare + orca
        why.append(probe.stderr.strip() or "exit code %d" % probe.returncode)
    if andere_orcas():
        raise Skipped("another Orca of this user runs (PID %s), and unshare cannot give the test's Orca a "
                           "PID namespace of its own: %s" % (andere_orcas(), "; ".join(why)))
    log("Orca without a namespace of its own (%s); no other Orca runs" % "; ".join(why))
    return orca


def start_orca(s, *options, env=None):
    """Starts Orca with `options` (such as -e speech -d braille) and its settings in the work folder, its
    debug output going into a pseudo-terminal (Orca writes a file in blocks, late); returns the process and a
    one-item list whose string grows by what Orca writes. The caller kills the process."""
    command = orca_command()
    protokoll, (master, slave) = [""], os.openpty()

    def lesen():
        while chunk := os.read(master, 65536):
            protokoll[0] += chunk.decode("utf-8", "replace").replace("\r", "")
    threading.Thread(target=lesen, daemon=True).start()
    ausgabe = open(os.path.join(s.workdir, "orca.out"), "w+")
    orca = subprocess.Popen(command + ["-u", os.path.join(s.workdir, "orca"), *options, "--debug-file",
                                       os.ttyname(slave)], stdin=subprocess.DEVNULL, stdout=ausgabe, stderr=ausgabe,
                            env=env)
    try:
        wait_until(lambda: orca.poll() is not None or "Startup complete" in protokoll[0], 60, "Orca", s.pump)
        if orca.poll() is not None:
            ausgabe.seek(0)
            if command == ["orca"] and andere_orcas():
                raise Skipped("another Orca of this user started at the same time: " + andere_orcas())
            raise Failure("Orca ended at start-up (exit code %s): %s" % (orca.returncode, ausgabe.read()[-600:]))
    except BaseException:
        orca.kill()
        orca.wait()
        raise
    return orca, protokoll


def run(main, tools=()):
    missing = [t for t in ("xdotool", "dbus-send") + tools if not shutil.which(t)]
    if missing or subprocess.run([sys.executable, "-c", "import pyatspi"], stderr=subprocess.DEVNULL).returncode:
        log("SKIPPED: missing %s (Debian: xdotool dbus-x11 at-spi2-core orca python3-pyatspi)" % (missing or "pyatspi"))
        sys.exit(77)
    s = Session()  # bound before it starts the program, so that the end below stops it
    try:
        s.start(os.path.abspath(sys.argv[1]))
        main(s)
        log("PASSED")
        shutil.rmtree(s.workdir, ignore_errors=True)
    except Skipped as reason:
        log("SKIPPED: %s" % reason)
        shutil.rmtree(s.workdir, ignore_errors=True)
        sys.exit(77)
    except Exception as failure:  # a broken test is reported like a failed check
        if not isinstance(failure, Failure):
            traceback.print_exc()
        log("FAILED: %s\nwork folder kept: %s" % (failure, getattr(s, "workdir", "-")))
        if hasattr(s, "err"):
            log("program output:\n" + open(s.err.name, "rb").read().decode("utf-8", "replace"))
        sys.exit(1)
    finally:
        if hasattr(s, "program") and s.program.poll() is None:
            s.program.kill()
