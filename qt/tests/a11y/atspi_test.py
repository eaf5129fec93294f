#!/usr/bin/python3
"""What an AT-SPI client sees of Paarix and can do: a whole 12-card game for two
players, cards turned by keys and by Text.setCaretOffset (Orca's routing key),
the field read through Text while the pair cue plays, the help and full-field views.
Usage: atspi_test.py PROGRAM   (exit 0 passed, 1 failed, 77 skipped)"""

import statistics
import sys
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
import a11y_session as a11y  # noqa: E402
from a11y_session import check, log, wait_until  # noqa: E402

KARTEN, PAAR_CUE = 12, 3.6
ANTWORT_GRENZE = 0.100  # seconds: the field must be answered this fast while a cue plays


class Feld:
    def __init__(self, s):
        self.s, self.acc = s, s.find("text", multi=False)
        self.path, self.text = self.acc.path, self.acc.queryText()
        self.zaehler, self.latenz, self.antworten, self.cues = 0, {"key": [], "routing": []}, [], []

    def lesen(self):
        return self.text.getText(0, -1)

    def aktivieren(self, pos):
        """One activation of `pos`, by turns with the space bar and a routing key;
        returns the new text once the program has written it."""
        vorher, wie = self.lesen(), ("key", "routing")[self.zaehler % 2]
        self.zaehler += 1
        if wie == "key" and self.text.caretOffset != pos:
            jetzt = self.text.caretOffset
            seit = self.s.key(*(["Right" if pos > jetzt else "Left"] * abs(pos - jetzt)))
            self.s.wait_event(seit, "object:text-caret-moved", self.path, "the caret at %d" % pos, lambda e: e[2] == pos)
            check(self.lesen() == vorher, "arrow keys changed the field")
        seit = self.s.key("space") if wie == "key" else time.monotonic()
        check(wie == "key" or self.text.setCaretOffset(pos), "setCaretOffset(%d) refused" % pos)
        neu = self.s.wait_event(seit, "object:text-changed:insert", self.path, "the text after %s at %d" % (wie, pos))
        self.latenz[wie].append(neu[0] - seit)
        check(neu[3] != vorher and self.lesen() == neu[3], "%s at %d: %r -> %r" % (wie, pos, vorher, neu[3]))
        self.s.pump(0.05)
        orte = {e[2] for e in self.s.events_since(seit, "object:text-caret-moved", self.path)}
        check(self.text.caretOffset == pos and orte == {pos}, "caret events after %s at %d: %s" % (wie, pos, orte))
        return neu[3]

    def paar_cue(self, beide, routing):
        """During the pair cue the field is answered at once and stays; a routing key
        placed meanwhile waits for the cue to end."""
        beginn, geroutet = time.monotonic(), None
        while True:
            t0 = time.monotonic()
            text = self.lesen()
            self.antworten.append(time.monotonic() - t0)
            if text != beide:
                break
            if routing is not None and geroutet is None and t0 - beginn > 0.5:
                check(self.text.setCaretOffset(routing), "setCaretOffset during the cue refused")
                geroutet = time.monotonic()
            check(time.monotonic() - beginn < PAAR_CUE + 5, "the pair cue never ended")
            self.s.pump(0.02)
        self.cues.append(time.monotonic() - beginn)
        check(self.cues[-1] >= PAAR_CUE - 0.7, "the pair cue lasted only %.2f s" % self.cues[-1])
        check(geroutet is None or time.monotonic() - geroutet > 1.0, "the routing key did not wait for the cue")


def warten(s, feld, bedingung, was):
    return wait_until(lambda: bedingung(feld.lesen()) and feld.lesen(), 10, was, s.pump)


def oberflaeche(s):
    """Text and no EditableText; names, entries; the help view line by line."""
    feld, info = s.find("text", multi=False), s.find("text", multi=True)
    for acc in (feld, info):
        interfaces = s.pyatspi.listInterfaces(acc)
        check("Text" in interfaces and "EditableText" not in interfaces, "interfaces %s" % interfaces)
        check(s.has_state(acc, "read only") and not s.has_state(acc, "editable"), "editable text")
    check(feld.name == "" and s.frame().name == a11y.TITEL, "field %r, caption %r" % (feld.name, s.frame().name))
    check([c.name for c in s.controls() if c.getRoleName() == "push button"] == a11y.BUTTONS, "button names")
    for liste, eintraege in zip([c for c in s.controls() if c.getRoleName() == "list"], (a11y.LST_BRL, a11y.LST_ANZAHL)):
        check([liste.getChildAtIndex(i).name for i in range(liste.childCount)] == eintraege, "list entries")
    s.key("Return")
    wait_until(lambda: s.only_showing(info.path), 10, "the help view alone", s.pump)
    s.focus_window(info)
    text, zeilen, offset = info.queryText(), [], 0
    while offset < text.characterCount and len(zeilen) <= 21:
        zeile, start, offset = text.getTextAtOffset(offset, s.pyatspi.TEXT_BOUNDARY_LINE_START)
        zeilen.append(zeile.rstrip("\n"))
    check(zeilen == a11y.HILFE_ZEILEN, "help text lines:\n%s" % "\n".join(zeilen))
    s.key("Escape")
    wait_until(lambda: not s.has_state(info, "showing"), 10, "the help view to close", s.pump)
    s.focus_window(s.find("list"))


def vollbild(s, feld, an):
    text, seit = feld.lesen(), s.key("v" if an else "Escape")
    if an:
        wait_until(lambda: s.frame().name == "" and s.only_showing(feld.path), 10, "the full-field view", s.pump)
        s.focus_window(feld.acc)
        check(not s.events_since(seit, "object:text-changed", feld.path), "the view change rewrote the field")
    else:
        wait_until(lambda: s.frame().name == a11y.TITEL and s.has_state(s.find("list"), "showing"), 10,
                   "the normal view", s.pump)
        check(s.has_state(feld.acc, "focused"), "the focus left the field with Escape")
    check(feld.lesen() == text, "the view changed the field")


def spiel(s, feld):
    """The game to its end, like a player who forgets nothing."""
    bekannt, gefunden, punkte, spieler, erster, runde = {}, set(), [0, 0], 0, None, 0
    text = feld.lesen()
    while len(gefunden) < KARTEN:
        runde += 1
        if runde in (2, 4):
            vollbild(s, feld, runde == 2)
        offen = [i for i in range(KARTEN) if i not in gefunden]
        if erster is None:
            paare = [a for a in offen for b in offen if a < b and a in bekannt and bekannt[a] == bekannt.get(b)]
            a = paare[0] if paare else [i for i in offen if i not in bekannt][0]
            text = feld.aktivieren(a)
            bekannt[a] = text[a]
        else:
            a, erster = erster, None
        b = ([i for i in offen if i != a and bekannt.get(i) == bekannt[a]] + [i for i in offen if i != a and i not in bekannt])[0]
        beide = feld.aktivieren(b)
        bekannt[b] = beide[b]
        check(beide[a].isalpha() and beide[b].isalpha(), "two cards face up: %r" % beide)
        if bekannt[a] != bekannt[b]:
            # A miss stays visible until the next activation, which covers both and passes the turn.
            text = feld.aktivieren(b)
            check(text == "".join("." if i in (a, b) else c for i, c in enumerate(beide)), "after a miss: %r" % text)
            spieler = 1 - spieler
            continue
        gefunden |= {a, b}
        punkte[spieler] += 1
        rest = [i for i in offen if i not in gefunden and i not in bekannt]
        routing = rest[0] if rest and len(feld.cues) == 0 else None
        feld.paar_cue(beide, routing)
        erwartet = "".join("-" if i in (a, b) else chr(96 + punkte[spieler]) if i == KARTEN + 2 + spieler else c
                           for i, c in enumerate(beide))
        if routing is not None:
            text = warten(s, feld, lambda t: t[routing].isalpha(), "the card routed during the cue")
            check(text == erwartet[:routing] + text[routing] + erwartet[routing + 1:] and feld.text.caretOffset == routing,
                  "after the pair and the waiting routing key: %r" % text)
            bekannt[routing], erster = text[routing], routing
        elif len(gefunden) < KARTEN:
            text = warten(s, feld, lambda t: t == erwartet, "the pair turned into dashes (%r)" % erwartet)
    ende = "Spielschluss  " + "".join(chr(96 + p) if p else "-" for p in punkte)
    warten(s, feld, lambda t: t == ende, ende)
    s.key("space")  # the next activation takes the player to the new-game button
    wait_until(lambda: s.has_state(s.find("push button", a11y.BUTTONS[1]), "focused"), 10, "CmdNeu focused", s.pump)
    log("cards seen: %s, points %s" % ("".join(bekannt[i] for i in range(KARTEN)), punkte))


def main(s):
    s.listen("object:text-changed", "object:text-caret-moved")
    oberflaeche(s)
    s.key("Tab", "Tab")  # leaving the Braille list deals; on to the player list and the field
    feld = Feld(s)
    wait_until(lambda: s.has_state(feld.acc, "focused"), 10, "the focus in the field", s.pump)
    check(feld.lesen() == "." * KARTEN + "  --" and feld.text.caretOffset == 0, "field %r" % feld.lesen())
    spiel(s, feld)
    antworten = sorted(feld.antworten)
    log("AT-SPI answers during %d pair cues (%s s): %d, longest %.1f ms, median %.1f ms"
        % (len(feld.cues), ", ".join("%.2f" % d for d in feld.cues), len(antworten), antworten[-1] * 1000,
           statistics.median(antworten) * 1000))
    for wie, werte in feld.latenz.items():
        log("%s to text-changed: %d, median %.1f ms, longest %.1f ms (a key includes starting xdotool)"
            % (wie, len(werte), statistics.median(werte) * 1000, max(werte) * 1000))
    check(len(antworten) >= 20 * len(feld.cues), "too few answers during the pair cues")
    check(antworten[-1] < ANTWORT_GRENZE, "an answer during a cue took %.1f ms" % (antworten[-1] * 1000))
    check(s.close() == 0, "the program did not end with 0")
    check(open(s.ini, "rb").read() == b"0,1,0\r\n", "settings written on closing")


if __name__ == "__main__":
    a11y.run(main)
