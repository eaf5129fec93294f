#!/usr/bin/python3
"""What an AT-SPI client sees of Paarix and can do: read-only texts, names and entries, the
help line by line; cards turned by turns by the space bar and by Text.setCaretOffset (Orca's
routing key) until a pair is found; the field answered at once while the pair cue plays.
atspi_test.py PROGRAM"""

import sys, time  # noqa: E401

sys.dont_write_bytecode = True  # nothing written into the source tree
import a11y_session as a11y  # noqa: E402
from a11y_session import check, log, wait_until  # noqa: E402


def main(s):
    s.listen("object:text-changed", "object:text-caret-moved")
    (acc,), (info,), listen = s.controls("text", False), s.controls("text", True), s.controls("list")
    for a in (acc, info):
        check("EditableText" not in s.pyatspi.listInterfaces(a) and s.has_state(a, "read only")
              and not s.has_state(a, "editable"), "editable text: %s" % s.pyatspi.listInterfaces(a))
    check(acc.name == "" and s.app[0].name == s.titel and [c.name for c in s.controls("push button")] == a11y.BUTTONS
          and [[e.name for e in li] for li in listen] == [a11y.LST_BRL, a11y.LST_ANZAHL], "names, caption or list entries")
    hilfe, zeilen, offset = info.queryText(), [], 0  # read while hidden, as a screen reader may
    while offset < hilfe.characterCount and len(zeilen) <= len(a11y.HILFE_ZEILEN):
        zeile, start, offset = hilfe.getTextAtOffset(offset, s.pyatspi.TEXT_BOUNDARY_LINE_START)
        zeilen.append(zeile.rstrip("\n"))
    check(zeilen == a11y.HILFE_ZEILEN, "help text lines:\n%s" % "\n".join(zeilen))
    s.key("Tab", "Tab", "Tab")  # leaving the Braille list deals; on to the player list and the field
    wait_until(lambda: s.has_state(acc, "focused"), 10, "the focus in the field", s.pump)
    text, zuege = acc.queryText(), []
    check(set(text.getText(0, -1)[:(karten := text.getText(0, -1).index(" "))]) == {"."}, "field %r" % text.getText(0, -1))

    def aktivieren(pos):
        """By turns the space bar and a routing key on `pos`; the new text once it is written."""
        vorher, taste = text.getText(0, -1), len(zuege) % 2 == 0
        zuege.append(pos)
        if taste and text.caretOffset != pos:
            seit = s.key(*(["Right" if pos > text.caretOffset else "Left"] * abs(pos - text.caretOffset)))
            wait_until(lambda: pos in [e[2] for e in s.since(seit, "object:text-caret-moved", acc.path)], 10, "the caret", s.pump)
        seit = s.key("space") if taste else time.monotonic()
        check(taste or text.setCaretOffset(pos), "setCaretOffset(%d) refused" % pos)
        neu = wait_until(lambda: s.since(seit, "object:text-changed:insert", acc.path), 10, "the new text", s.pump)[0][3]
        s.pump(0.05)
        carets = {e[2] for e in s.since(seit, "object:text-caret-moved", acc.path)}
        check(neu != vorher and text.caretOffset == pos and carets == {pos}, "%d on %d: %r, carets %s" % (taste, pos, neu, carets))
        return neu

    bekannt = {}
    while True:  # a player who forgets nothing, until a pair is found; a miss passes the turn
        unbekannt = [i for i in range(karten) if i not in bekannt]
        a, b = next(((a, b) for a in bekannt for b in bekannt if a < b and bekannt[a] == bekannt[b]), (unbekannt[0], None))
        bekannt[a] = aktivieren(a)[a]
        b = b if b is not None else next((i for i in bekannt if i != a and bekannt[i] == bekannt[a]), unbekannt[1])
        beide = aktivieren(b)
        bekannt[b] = beide[b]
        if bekannt[a] == bekannt[b]:
            break
        aktivieren(b)
    # The pair cue, seconds long: the field is answered at once all along.
    beginn, antworten = time.monotonic(), []
    while (t0 := time.monotonic()) and text.getText(0, -1) == beide:
        antworten.append(time.monotonic() - t0)
        check(t0 - beginn < 15, "the pair cue never ended")
        s.pump(0.02)
    dauer = time.monotonic() - beginn
    log("%d activations; %d answers during the pair cue of %.2f s, the longest %.1f ms"
        % (len(zuege), len(antworten), dauer, max(antworten) * 1000))
    check(len(antworten) >= 20 and max(antworten) < 0.1, "too few answers, or one slower than 100 ms, during the cue")
    [b for b in s.controls("push button") if b.name == a11y.BUTTONS[2]][0].queryAction().doAction(0)
    check(s.program.wait(60) == 0, "the program did not end with 0 by its quit button")
    check(open(s.ini, "rb").read() == b"0,1,0\r\n", "settings written on closing")


if __name__ == "__main__":
    a11y.run(main)
