#!/usr/bin/python3
"""What Orca puts on the Braille display for Paarix (a smoke test): the lists show
their selected entry on Tab, the field its text with the Braille cursor on the
caret's cell, also after a routing key, and in the full-field view nothing of the
program stands before the field. Orca runs with speech off and Braille on and
logs every line it would show to its debug file, a pseudo-terminal here.
Usage: orca_test.py PROGRAM   (exit 0 passed, 1 failed, 77 skipped)"""

import os
import re
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
import a11y_session as a11y  # noqa: E402
from a11y_session import Failure, check, log, wait_until  # noqa: E402

LEER = "." * 12 + "  --"
ORCA_ZUSATZ = {"", "paarix application"}  # what Orca itself puts before a focused object
ZEILE = re.compile(r"BRAILLE LINE:\s+'(.*)'\s*\n.*VISIBLE:\s+'(.*)', cursor=(\d+)")


class Orca:
    def __init__(self, s):
        self.s, self.log = s, ""
        master, slave = os.openpty()
        threading.Thread(target=self._lesen, args=(master,), daemon=True).start()
        prefs = os.path.join(s.workdir, "orca")
        for _ in range(45):  # Orca refuses to start beside another, which another test may still run
            self.process = subprocess.Popen(["orca", "-u", prefs, "-d", "speech", "-e", "braille", "--debug-file",
                                             os.ttyname(slave)], stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_until(lambda: self.process.poll() is not None or "Startup complete" in self.log, 60, "Orca", s.pump)
            if self.process.poll() is None:
                return
            time.sleep(2)
        raise Failure("Orca does not start")

    def _lesen(self, master):
        while chunk := os.read(master, 65536):
            self.log += chunk.decode("utf-8", "replace").replace("\r", "")

    def zeile(self, seit, passt, was):
        """The last Braille line shown since log offset `seit` for which passt(line, visible, cursor) holds."""
        def gefunden():
            zeilen = [(m[1], m[2], int(m[3])) for m in ZEILE.finditer(self.log, seit)]
            return next((z for z in reversed(zeilen) if passt(*z)), None) or None
        try:
            return wait_until(gefunden, 10, was, self.s.pump, 0.05)
        except Failure:
            raise Failure("%s; Orca showed: %s" % (was, [m[1] for m in ZEILE.finditer(self.log, seit)] or "nothing"))

    def taste(self, was, passt, *keys):
        seit = len(self.log)
        self.s.key(*keys)
        return self.zeile(seit, passt, was)


def feld(text, caret):
    return lambda line, visible, cursor: text in line and visible.startswith(text) and cursor == caret + 1


def main(s):
    orca = Orca(s)
    try:
        s.focus_window(s.find("push button", a11y.BUTTONS[0]))
        text = s.find("text", multi=False).queryText()
        for eintrag in (a11y.LST_BRL[0], a11y.LST_ANZAHL[1]):
            log("list:", orca.taste("the entry %r" % eintrag, lambda line, v, c: eintrag in line, "Tab")[0])
        log("field:", orca.taste("the field, cursor on cell 1", feld(LEER, 0), "Tab"))
        orca.taste("the cursor following the caret to cell 3", feld(LEER, 2), "Right", "Right")
        seit = len(orca.log)
        s.key("space")
        gedreht = wait_until(lambda: text.getText(0, -1) != LEER and text.getText(0, -1), 10, "the card to turn", s.pump)
        orca.zeile(seit, feld(gedreht, 2), "the turned card on the Braille line")
        seit = len(orca.log)
        check(text.setCaretOffset(7), "setCaretOffset refused")  # what Orca sends for a routing key
        beide = wait_until(lambda: text.getText(0, -1)[7] != "." and text.getText(0, -1), 10, "the routed card", s.pump)
        log("after routing:", orca.zeile(seit, feld(beide, 7), "the Braille cursor on the routed cell 8"))
        if beide[2] == beide[7]:  # a pair: both turn into dashes when its cue has ended
            beide = wait_until(lambda: text.getText(0, -1)[7] == "-" and text.getText(0, -1), 10, "dashes", s.pump)
        s.key("v")
        wait_until(lambda: s.frame().name == "", 10, "the full-field view", s.pump)
        s.focus_window(s.find("text", multi=False))
        zeile = orca.taste("the field in the full-field view", feld(beide, 6), "Left")
        log("full-field view:", zeile)
        check(zeile[0][:zeile[0].index(beide)].strip() in ORCA_ZUSATZ, "something stands before the field")
    finally:
        orca.process.terminate()
        orca.process.wait(15)


if __name__ == "__main__":
    a11y.run(main, tools=("orca",))
