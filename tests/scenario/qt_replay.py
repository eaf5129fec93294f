#!/usr/bin/python3
"""The scenario on the Qt window, from outside: keys and clicks through X (xdotool), routing
keys and a screen reader's clicks through AT-SPI, the close box as a window manager closes a
window; the sound captured through ALSA.
  qt_replay.py PROGRAM CUE_SAMPLES         (in a private X display and D-Bus session)"""

import ctypes, os, shutil, subprocess, sys, tempfile, time  # noqa: E401

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../qt/tests/a11y"))
import a11y_session as a11y  # noqa: E402
import replay  # noqa: E402

CONTROLS = ["CmdInfo", "LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde", "Info"]


class QtBackend:
    def __init__(self, s, folder, cue_samples):
        self.s, self.ini = s, s.ini
        subprocess.run([cue_samples, os.path.join(folder, "palette")], check=True)
        self.cues = replay.Cues(os.path.join(folder, "capture.wav"), os.path.join(folder, "palette"))
        buttons = dict(zip(["CmdInfo", "CmdNeu", "CmdEnde"], a11y.BUTTONS))
        self.control = {name: next(b for b in s.controls("push button") if b.name == caption)
                        for name, caption in buttons.items()}
        self.control["LstBrl"], self.control["LstAnzahl"] = s.controls("list")
        (self.control["Spiel"],), (self.control["Info"],) = s.controls("text", False), s.controls("text", True)
        (status_bar,) = s.controls("status bar")
        self.status = next(c for c in status_bar if c.getRoleName() == "label")  # the status line's text
        self.by_path = {a.path: name for name, a in self.control.items()}
        self.text = self.control["Spiel"].queryText()
        s.listen("object:state-changed:focused")

    def start(self, ini):  # the session has started the program
        replay.check(open(self.ini, "rb").read() == ini.encode() + b"\r\n", "the session's paarix.ini is not %s" % ini)

    def key(self, *keys):
        self.s.key(*keys)

    def route(self, cell, behind):
        self.before(behind)
        replay.check(self.text.setCaretOffset(cell), "setCaretOffset(%d) refused" % cell)

    def click(self, cell, count):
        x, y, width, height = self.text.getCharacterExtents(cell, self.s.pyatspi.DESKTOP_COORDS)
        self.mouse(x + width // 4, y + height // 2, count)  # the left half: the caret goes before the cell

    def ctrl_click(self, listbox):
        entry = next((e for e in self.control[listbox] if self.s.has_state(e, "selected")), None)
        replay.check(entry is not None, "%s has no selected entry" % listbox)
        x, y, width, height = entry.queryComponent().getExtents(self.s.pyatspi.DESKTOP_COORDS)
        self.mouse(x + 5, y + height // 2, 1, "ctrl")

    def mouse(self, x, y, count, modifier=None):
        hold = ["keydown", modifier] if modifier else []
        release = ["keyup", modifier] if modifier else []
        # Not --sync: it waits for ever when the pointer is there already.
        subprocess.run(["xdotool", *hold, "mousemove", str(x), str(y), "sleep", "0.1", "click", "--repeat", str(count),
                        "--delay", "60", "1", *release], check=True, timeout=10)

    def press(self, button, behind=()):
        self.before(behind)
        self.control[button].queryAction().doAction(0)

    def before(self, behind):  # keys, then a read of the field where they end in read
        if keys := [k for k in behind if k != "read"]:
            self.key(*keys)
        if "read" in behind:
            self.text.getText(0, -1)

    command = press  # a window of Qt has no messages to send it

    def close(self):
        """The close box: a window manager asks the window with WM_DELETE_WINDOW."""
        window = int(subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.s.program.pid)],
                                    capture_output=True, text=True).stdout.split()[-1])
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XInternAtom.restype = ctypes.c_ulong
        display = x11.XOpenDisplay(None)
        atom = lambda name: x11.XInternAtom(ctypes.c_void_p(display), name, False)  # noqa: E731

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
        client_message = 33  # the X event type
        event = ClientMessage(type=client_message, window=window, message_type=atom(b"WM_PROTOCOLS"), format=32)
        event.data[0] = atom(b"WM_DELETE_WINDOW")
        x11.XSendEvent(ctypes.c_void_p(display), ctypes.c_ulong(window), False, 0, ctypes.byref(event))
        x11.XCloseDisplay(ctypes.c_void_p(display))

    def watch_focus(self):
        begun = time.monotonic()

        def seen():
            self.s.pump(0.2)
            return [self.by_path.get(e[4], "entry") for e in self.s.events
                    if e[0] >= begun and e[1] == "object:state-changed:focused" and e[2] == 1]
        return seen

    def state(self):
        replay.check(self.running(), "the program has ended")
        if not self.s.has_state(self.s.app[0], "active"):
            # Shown again after hiding: a window manager would give it the keyboard. Qt takes it
            # back only once the X focus has been away for a while.
            subprocess.run("xdotool windowfocus --sync $(xdotool search --maxdepth 0 --name '')", shell=True)
            self.s.pump(0.6)
            self.s.focus_window()
        caret = self.text.caretOffset if self.text.getNSelections() == 0 else None
        state = {"field": self.text.getText(0, -1), "caret": caret,
                 "focus": next((n for n in CONTROLS if self.s.has_state(self.control[n], "focused")), None)}
        for listbox in ("LstBrl", "LstAnzahl"):
            entries = enumerate(self.control[listbox])
            state[listbox] = next((i for i, e in entries if self.s.has_state(e, "selected")), -1)
        showing = [n for n in CONTROLS if self.s.has_state(self.control[n], "showing")]
        state["view"] = replay.view(showing, self.s.app[0].name, self.s.has_state(self.status, "showing"))
        return state

    def running(self):
        try:
            return self.s.program.poll() is None and self.s.app[0] is not None
        except self.s.GLib.GError:  # gone from the desktop
            return False

    def ended(self):
        try:
            self.s.program.wait(10)
            return True
        except subprocess.TimeoutExpired:
            return False

    def pump(self, seconds):
        self.s.pump(seconds)


def main(s):
    backend = QtBackend(s, folder, sys.argv[2])
    if not replay.Replay(backend).run(replay.parse()):
        raise a11y.Failure("the scenario failed on the Qt window; its sound: %s" % backend.cues.capture)
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    folder = tempfile.mkdtemp(prefix="paarix-scenario-")
    a11y.Session.alsa_config = replay.alsa_capture(os.path.join(folder, "capture.wav"))
    a11y.run(main)
