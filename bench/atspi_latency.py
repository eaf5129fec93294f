#!/usr/bin/python3
"""Time from a card activation to the field's text-changed event at an AT-SPI client.

Runs against a game that is already running on DISPLAY with its window focused, on the
accessibility bus of the current D-Bus session (bench/atspi_latency.sh sets this up).

Each sample starts a new game (Alt+N, which also puts the focus into the field), presses
End and then Home, and then the space bar on the first card, all through XTest. Two
latencies are taken per sample, each from right before the key press is flushed to the X
server:
  activation  space bar -> object:text-changed:insert carrying the new field text, which
              must show the first card turned over, or the sample counts as failed;
  caret move  Home -> object:text-caret-moved. Nothing of the game's turn logic runs here:
              it is the same path through X, Qt and AT-SPI, as a yardstick.
Each is taken twice: when the client's listener runs, and when the event passes the
accessibility bus (from dbus-monitor's timestamps), which tells the program's share from
the client library's.

    atspi_latency.py [samples, default 20]

Needs Debian's /usr/bin/python3 (pyatspi). Lines starting with "RESULT" are for scripts.
"""

import ctypes
import re
import statistics
import subprocess
import sys
import threading
import time

import pyatspi
from gi.repository import Gio, GLib

XK_space = 0x20
XK_Home = 0xFF50
XK_End = 0xFF57
XK_Alt_L = 0xFFE9
XK_n = 0x6E

EVENT_TIMEOUT_MS = 3000


class Keyboard:
    """Key presses through XTest, with no process start in between."""

    def __init__(self):
        self.x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("atspi_latency: cannot open the display")

    def press(self, *keysyms):
        """Presses the keys in order and releases them in reverse. Returns the monotonic and
        the wall-clock time taken right before the presses were flushed."""
        codes = [self.x11.XKeysymToKeycode(self.display, k) for k in keysyms]
        for code in codes:
            self.xtst.XTestFakeKeyEvent(self.display, code, 1, 0)
        sent = (time.monotonic(), time.time())
        self.x11.XFlush(self.display)
        for code in reversed(codes):
            self.xtst.XTestFakeKeyEvent(self.display, code, 0, 0)
        self.x11.XFlush(self.display)
        return sent


class BusMonitor:
    """dbus-monitor on the accessibility bus, for the time each event passes the bus."""

    SIGNAL = re.compile(r"^signal time=(\d+\.\d+) .*interface=org\.a11y\.atspi\.Event\.Object; member=(\w+)")
    DETAIL = re.compile(r'^\s+string "(.*)"$')

    def __init__(self):
        reply = Gio.bus_get_sync(Gio.BusType.SESSION, None).call_sync(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
            GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NONE, 5000, None)
        address = reply.unpack()[0]
        self.process = subprocess.Popen(
            ["dbus-monitor", "--address", address, "type='signal',interface='org.a11y.atspi.Event.Object'"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        # Read as it comes: a full pipe would stall the monitor, and the bus drops a
        # monitor that does not keep up.
        self.lines = []
        self.reader = threading.Thread(target=lambda: self.lines.extend(self.process.stdout), daemon=True)
        self.reader.start()

    def stop(self):
        """Ends the monitor and returns its events as (wall-clock time, member, detail)."""
        self.process.terminate()
        self.process.wait(timeout=10)
        self.reader.join(timeout=10)
        events = []
        pending = None
        for line in self.lines:
            match = self.SIGNAL.match(line)
            if match:
                pending = (float(match.group(1)), match.group(2))
                continue
            detail = self.DETAIL.match(line)
            if pending and detail:
                events.append((pending[0], pending[1], detail.group(1)))
                pending = None
        return events

    @staticmethod
    def first_after(events, sent, member, detail):
        for at, name, what in events:
            if at >= sent and name == member and what == detail:
                return (at - sent) * 1000 if at - sent < EVENT_TIMEOUT_MS / 1000 else None
        return None


class Bench:
    def __init__(self, samples):
        self.samples = samples
        self.keyboard = Keyboard()
        self.monitor = BusMonitor()
        self.done = 0
        self.failures = []
        # Per measurement: client latencies (ms) and the wall-clock send times for the bus.
        self.client = {"activation": [], "caret move": []}
        self.sent = {"activation": [], "caret move": []}
        self.waiting = None  # (measurement, event type, monotonic send time, then-step)
        self.timeout = None

    def on_event(self, event):
        # Plain fields only: touching event.source would be a call into the game.
        arrived = time.monotonic()
        if self.waiting is None or event.type != self.waiting[1]:
            return
        measurement, _, sent, then = self.waiting
        self.waiting = None
        GLib.source_remove(self.timeout)
        latency_ms = (arrived - sent) * 1000
        if measurement == "activation":
            text = str(event.any_data or "")
            if not (text[:1].isalpha() and text[:1].islower()):
                self.failures.append("unexpected field text %r" % text)
                latency_ms = None
        if latency_ms is not None:
            self.client[measurement].append(latency_ms)
        GLib.timeout_add(200, then)

    def on_timeout(self):
        measurement, event_type, _, then = self.waiting
        self.waiting = None
        self.failures.append("%s: no %s within %d ms" % (measurement, event_type, EVENT_TIMEOUT_MS))
        GLib.timeout_add(200, then)
        return False

    def measure(self, measurement, keysym, event_type, then):
        self.timeout = GLib.timeout_add(EVENT_TIMEOUT_MS, self.on_timeout)
        sent, wall = self.keyboard.press(keysym)
        self.waiting = (measurement, event_type, sent, then)
        self.sent[measurement].append(wall)

    def sample(self):
        if self.done >= self.samples:
            pyatspi.Registry.stop()
            return False
        self.done += 1
        self.keyboard.press(XK_Alt_L, XK_n)
        GLib.timeout_add(300, self.end)
        return False

    def end(self):
        self.keyboard.press(XK_End)
        GLib.timeout_add(200, self.home)
        return False

    def home(self):
        self.measure("caret move", XK_Home, "object:text-caret-moved", self.activate)
        return False

    def activate(self):
        # After the activation the cue plays; the next sample waits it out (cue 9: 30 ms).
        self.measure("activation", XK_space, "object:text-changed:insert", self.pause)
        return False

    def pause(self):
        GLib.timeout_add(300, self.sample)
        return False

    def run(self):
        pyatspi.Registry.registerEventListener(self.on_event, "object:text-changed", "object:text-caret-moved")
        # Qt sends events only after the registry has told it that someone listens.
        GLib.timeout_add(800, self.sample)
        pyatspi.Registry.start()
        return self.monitor.stop()


def describe(values):
    values = sorted(values)
    p90 = values[min(len(values) - 1, int(round(0.9 * (len(values) - 1))))]
    return statistics.median(values), p90, values[0], values[-1]


def main():
    samples = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    bench = Bench(samples)
    events = bench.run()
    at_bus = {
        "activation": [BusMonitor.first_after(events, s, "TextChanged", "insert") for s in bench.sent["activation"]],
        "caret move": [BusMonitor.first_after(events, s, "TextCaretMoved", "") for s in bench.sent["caret move"]],
    }
    for measurement, values in at_bus.items():
        missing = values.count(None)
        if missing:
            bench.failures.append("%s: %d of %d events not seen on the bus" % (measurement, missing, len(values)))
    for failure in bench.failures:
        print("failed:", failure)
    print("%-12s %-34s %-8s %8s %8s %8s %8s %8s" % ("measurement", "event", "where", "samples", "median", "p90",
                                                     "min", "max"))
    ok = True
    for measurement, event_type in (("activation", "text-changed:insert"), ("caret move", "text-caret-moved")):
        for where, values in (("bus", [v for v in at_bus[measurement] if v is not None]),
                              ("client", bench.client[measurement])):
            if not values:
                print("%-12s %-34s %-8s %8d" % (measurement, event_type, where, 0))
                ok = False
                continue
            median, p90, least, most = describe(values)
            print("%-12s %-34s %-8s %8d %6.1fms %6.1fms %6.1fms %6.1fms"
                  % (measurement, event_type, where, len(values), median, p90, least, most))
            print("RESULT atspi %s %s median_ms %.1f p90_ms %.1f max_ms %.1f samples %d"
                  % (measurement.replace(" ", "_"), where, median, p90, most, len(values)))
    return 0 if ok and not bench.failures else 1


if __name__ == "__main__":
    sys.exit(main())
