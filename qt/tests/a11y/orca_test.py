#!/usr/bin/python3
"""What Orca puts on the Braille display for Paarix: the lists their selected entry on Tab, the
field its text with the Braille cursor on the caret's cell, also after a routing key, and in the
full-field view nothing of the program before the field. Orca runs with speech off and Braille
on and logs every line it would show into a pseudo-terminal (a file it would write late). The player's own
Orca, if one runs, is left alone: the test's Orca runs where it does not see that one (see
a11y_session.orca_command)."""

import re, sys  # noqa: E401

sys.dont_write_bytecode = True  # nothing written into the source tree
import a11y_session as a11y  # noqa: E402
from a11y_session import Failure, check, log, wait_until  # noqa: E402

ZEILE = re.compile(r"BRAILLE LINE:\s+'(.*)'\s*\n.*VISIBLE:\s+'(.*)', cursor=(\d+)")


def main(s):
    orca, protokoll = a11y.start_orca(s, "-d", "speech", "-e", "braille")

    def zeile(was, aktion, passt):
        """The last Braille line after `aktion` for which passt(line, visible, cursor) holds."""
        seit = len(protokoll[0])
        aktion()
        zeilen = lambda: [(m[1], m[2], int(m[3])) for m in ZEILE.finditer(protokoll[0], seit)]
        try:
            return wait_until(lambda: next((z[0] for z in reversed(zeilen()) if passt(*z)), None), 10, was, s.pump, 0.05)
        except Failure:
            raise Failure("%s; Orca showed: %s" % (was, [z[0] for z in zeilen()]))

    def am(caret, gedreht=True):  # the field as it is now, the cursor on `caret`, the card there turned or not
        def passt(line, visible, cursor):
            jetzt = feld.getText(0, -1)
            return jetzt in line and visible.startswith(jetzt) and cursor == caret + 1 and (jetzt[caret] != ".") == gedreht
        return passt

    try:
        (acc,) = s.controls("text", False)
        feld = acc.queryText()
        s.focus_window(s.controls("push button")[0])
        for eintrag in (a11y.LST_BRL[0], a11y.LST_ANZAHL[1]):
            log("list:", zeile("the entry %r" % eintrag, lambda: s.key("Tab"), lambda line, v, c: eintrag in line))
        log("field:", zeile("the field, cursor on cell 1", lambda: s.key("Tab"), am(0, False)))
        zeile("the turned card 2 under the cursor", lambda: s.key("Right", "space"), am(1))
        log("routing:", zeile("the routed card 8 under the cursor", lambda: feld.setCaretOffset(7), am(7)))
        s.key("v")
        wait_until(lambda: s.app[0].name == "", 10, "the full-field view", s.pump)
        s.focus_window(acc)
        log("full-field view:", line := zeile("the field in the full-field view", lambda: s.key("Left", "Right"), am(7)))
        # Off the display to the left, Orca's context: the program and its window, a frame without a caption.
        check(line[:line.index(feld.getText(0, -1))].strip() in ("", "paarix application", "paarix application frame"),
              "something before the field")
    finally:  # killed: Orca sometimes hangs on its way out (and unshare takes its namespace along)
        orca.kill()
        orca.wait()


if __name__ == "__main__":
    a11y.run(main, tools=("orca",))
