#!/usr/bin/python3
"""What Orca puts on the Braille display for Paarix (a smoke test): the lists
show their selected entry when Tab reaches them, the field shows its text with
the Braille cursor on the caret's cell, also after a routing key, and in the
full-field view nothing of the program stands before the field.

Orca runs with speech off and Braille on, and logs every line it would show
("BRAILLE LINE:", "VISIBLE: ..., cursor=N") to its debug file, which is a
pseudo-terminal here so that lines arrive as they are written.

Usage: orca_test.py PROGRAM   (exit 0 passed, 1 failed, 77 skipped)
"""

import os
import re
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
import a11y_session as a11y  # noqa: E402
from a11y_session import Failure, check, log

LEER = "." * 12 + "  --"
# What Orca itself puts before a focused object: the application and its role.
ORCA_ZUSATZ = {"", "paarix application"}

BRAILLE = re.compile(r"BRAILLE LINE:\s+'(.*)'\s*$")
VISIBLE = re.compile(r"VISIBLE:\s+'(.*)', cursor=(\d+)\s*$")


class Orca:
    def __init__(self, s):
        self.s = s
        self.lines = []
        self.braille = []  # (index in lines, line, visible, cursor)
        self._lock = threading.Lock()
        master, slave = os.openpty()
        self._master = master
        prefs = os.path.join(s.workdir, "orca")
        os.makedirs(prefs, exist_ok=True)
        self._out = open(os.path.join(s.workdir, "orca.out"), "wb")
        threading.Thread(target=self._read, daemon=True).start()
        # Orca runs once per user and refuses to start beside another: wait for one
        # that another test may still be running.
        deadline = time.monotonic() + 90
        while True:
            self.process = subprocess.Popen(["orca", "-u", prefs, "-d", "speech", "-e", "braille",
                                             "--debug-file", os.ttyname(slave)],
                                            stdout=self._out, stderr=self._out, stdin=subprocess.DEVNULL)
            a11y.wait_until(lambda: self.process.poll() is not None or self._seen("Startup complete"),
                            60, "Orca to start", s.pump, 0.05)
            if self.process.poll() is None:
                break
            check(time.monotonic() < deadline, "Orca does not start: %s" % self._output())
            time.sleep(2)
        os.close(slave)

    def _read(self):
        rest = b""
        while True:
            try:
                chunk = os.read(self._master, 65536)
            except OSError:
                return
            if not chunk:
                return
            rest += chunk
            *ganze, rest = rest.split(b"\n")
            with self._lock:
                for raw in ganze:
                    line = raw.decode("utf-8", "replace").rstrip("\r")
                    self.lines.append(line)
                    visible = VISIBLE.search(line)
                    if visible and self.lines[-2:-1] and BRAILLE.search(self.lines[-2]):
                        whole = BRAILLE.search(self.lines[-2]).group(1)
                        self.braille.append((len(self.lines), whole, visible.group(1), int(visible.group(2))))

    def _seen(self, text):
        with self._lock:
            return any(text in line for line in self.lines)

    def _output(self):
        self._out.flush()
        with open(os.path.join(self.s.workdir, "orca.out"), "rb") as out:
            return out.read().decode("utf-8", "replace")[-2000:]

    def mark(self):
        with self._lock:
            return len(self.lines)

    def wait_braille(self, since, predicate, what, timeout=10):
        """The last Braille line shown since `since` that satisfies predicate(line, visible, cursor)."""
        def found():
            with self._lock:
                lines = [b for b in self.braille if b[0] > since]
            return next((b for b in reversed(lines) if predicate(b[1], b[2], b[3])), None)
        try:
            return a11y.wait_until(found, timeout, what, self.s.pump, 0.05)
        except Failure:
            with self._lock:
                shown = [b[1:] for b in self.braille if b[0] > since]
            raise Failure("%s; Orca showed: %s" % (what, shown or "nothing"))

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
        os.close(self._master)


def feld_mit_cursor(text, caret):
    """The field on the display, with the Braille cursor on the caret's cell."""
    def passt(line, visible, cursor):
        return text in line and visible.startswith(text) and cursor == caret + 1
    return passt


def main(s):
    orca = Orca(s)
    try:
        pruefen(s, orca)
    finally:
        orca.stop()


def pruefen(s, orca):
    s.focus_window(s.find("push button", a11y.BUTTONS[0]))
    feld = s.field()
    text = feld.queryText()

    # Tab into the lists: the selected entry, not just "list".
    for eintrag in (a11y.LST_BRL[0], a11y.LST_ANZAHL[1]):
        seit = orca.mark()
        s.key("Tab")
        zeile = orca.wait_braille(seit, lambda line, visible, cursor: eintrag in line,
                                  "the Braille line to show %r" % eintrag)
        log("list:", zeile[1])

    # Into the field: its text, the Braille cursor on the caret.
    seit = orca.mark()
    s.key("Tab")
    zeile = orca.wait_braille(seit, feld_mit_cursor(LEER, 0), "the field on the Braille line, cursor on cell 1")
    log("field:", zeile[1], "| visible:", zeile[2], "cursor", zeile[3])

    seit = orca.mark()
    s.key("Right", "Right")
    orca.wait_braille(seit, feld_mit_cursor(LEER, 2), "the Braille cursor to follow the caret to cell 3")

    # The space bar turns the card under the caret; the cursor stays on it.
    seit = orca.mark()
    s.key("space")
    gedreht = a11y.wait_until(lambda: text.getText(0, -1) if text.getText(0, -1) != LEER else None, 10,
                              "the card to turn", s.pump)
    orca.wait_braille(seit, feld_mit_cursor(gedreht, 2), "the turned card on the Braille line")

    # A routing key (what Orca sends for one): the card there turns, the cursor goes there.
    seit = orca.mark()
    check(text.setCaretOffset(7), "setCaretOffset refused")
    beide = a11y.wait_until(lambda: text.getText(0, -1) if text.getText(0, -1)[7] != "." else None, 10,
                            "the routed card to turn", s.pump)
    zeile = orca.wait_braille(seit, feld_mit_cursor(beide, 7), "the Braille cursor on the routed cell 8")
    log("after routing:", zeile[1], "| cursor", zeile[3])
    if beide[2] == beide[7]:
        # The deal gave a pair: both turn into dashes when the pair cue has ended.
        beide = a11y.wait_until(lambda: text.getText(0, -1) if text.getText(0, -1)[7] == "-" else None, 10,
                                "the pair to turn into dashes", s.pump)

    # The full-field view: nothing before the field but what Orca adds itself.
    s.key("v")
    a11y.wait_until(lambda: s.frame().name == "", 10, "the full-field view", s.pump)
    s.focus_window(feld)
    a11y.wait_until(lambda: text.getText(0, -1) == beide, 10, "the field unchanged", s.pump)
    seit = orca.mark()
    s.key("Left")
    zeile = orca.wait_braille(seit, feld_mit_cursor(beide, 6), "the field on the Braille line in the full-field view")
    vorn = zeile[1][:zeile[1].index(beide)].strip()
    log("full-field view:", zeile[1])
    check(vorn in ORCA_ZUSATZ, "before the field stands %r" % vorn)
    s.key("Escape")
    a11y.wait_until(lambda: s.frame().name.startswith(a11y.TITEL_ANFANG), 10, "the normal view", s.pump)


if __name__ == "__main__":
    a11y.run(main, tools=("orca",))
