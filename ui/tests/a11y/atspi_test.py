#!/usr/bin/python3
"""What an AT-SPI client (a screen reader) sees of Paarix and what it can do:
a whole 12-card game for two players, cards turned by keys and by
Text.setCaretOffset (Orca's Braille routing key), the field read through the
Text interface while the long pair cue plays, the help view and the full-field
view.

Usage: atspi_test.py PROGRAM   (exit 0 passed, 1 failed, 77 skipped)
"""

import statistics
import sys
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
import a11y_session as a11y  # noqa: E402
from a11y_session import Failure, check, log

KARTEN = 12
LEER = "." * KARTEN + "  --"
ANTWORT_GRENZE = 0.100  # seconds: the field must be answered this fast while a cue plays
PAAR_CUE = 3.6          # seconds: the pair cue


class Spielfeld:
    """The field as the test sees it through AT-SPI, and the ways to turn a card."""

    def __init__(self, s):
        self.s = s
        self.field = s.field()
        self.path = self.field.path
        self.text = self.field.queryText()
        self.method = 0
        self.key_latencies = []
        self.routing_latencies = []
        self.answer_times = []
        self.cue_lengths = []

    def lesen(self):
        return self.text.getText(0, -1)

    def caret(self):
        return self.text.caretOffset

    def caret_mit_tasten(self, pos):
        """Moves the caret with the arrow keys; every move is a caret event and none is an activation."""
        vorher = self.lesen()
        jetzt = self.caret()
        if jetzt == pos:
            return
        seit = time.monotonic()
        taste = "Right" if pos > jetzt else "Left"
        self.s.key(*([taste] * abs(pos - jetzt)))
        self.s.wait_event(seit, "object:text-caret-moved", "the caret event at %d" % pos, path=self.path,
                          where=lambda e: e[2] == pos)
        check(self.caret() == pos, "caret at %d after the arrow keys, not %d" % (pos, self.caret()))
        check(self.lesen() == vorher, "arrow keys changed the field")

    def aktivieren(self, pos, wie=None):
        """One activation of cell `pos`, alternately by the space bar and by a routing
        key; returns the new field text once the program has written it."""
        if wie is None:
            wie = ("taste", "routing")[self.method % 2]
            self.method += 1
        vorher = self.lesen()
        if wie == "taste":
            self.caret_mit_tasten(pos)
            seit = self.s.key("space")
            latenzen = self.key_latencies
        else:
            seit = time.monotonic()
            check(self.text.setCaretOffset(pos), "setCaretOffset(%d) refused" % pos)
            latenzen = self.routing_latencies
        ereignis = self.s.wait_event(seit, "object:text-changed:insert", "the new field text after %s at %d"
                                     % (wie, pos), path=self.path)
        latenzen.append(ereignis[0] - seit)
        neu = ereignis[4]
        check(neu != vorher, "the field did not change on %s at %d" % (wie, pos))
        check(self.lesen() == neu, "the Text interface answers %r after the event %r" % (self.lesen(), neu))
        self.caret_gemeldet(seit, pos)
        return neu

    def caret_gemeldet(self, seit, pos):
        """After a card turns, the caret stands on the turned cell, and screen
        readers were never told another place."""
        check(self.caret() == pos, "caret at %d after the activation, not %d" % (pos, self.caret()))
        self.s.pump(0.05)
        orte = [e[2] for e in self.s.events_since(seit, "object:text-caret-moved", self.path)]
        check(orte and set(orte) == {pos}, "caret events after the activation at %d: %s" % (pos, orte))

    def warten_auf(self, bedingung, was, timeout=10):
        def erfuellt():
            text = self.lesen()
            return text if bedingung(text) else None
        return a11y.wait_until(erfuellt, timeout, was, self.s.pump, 0.01)


def gleich_bis_auf(alt, neu, orte):
    return len(alt) == len(neu) and all(a == b for i, (a, b) in enumerate(zip(alt, neu)) if i not in orte)


def tasten_und_namen(s):
    for text, name in ((s.field(), "field"), (s.help_text(), "help text")):
        interfaces = s.pyatspi.listInterfaces(text)
        check("Text" in interfaces, "the %s offers no Text: %s" % (name, interfaces))
        check("EditableText" not in interfaces, "the %s offers EditableText: %s" % (name, interfaces))
        check(s.has_state(text, "read only"), "the %s is not read only" % name)
        check(not s.has_state(text, "editable"), "the %s says it is editable" % name)
    check(s.field().name == "", "the field has a name: %r" % s.field().name)
    check(s.frame().name.startswith(a11y.TITEL_ANFANG), "caption %r" % s.frame().name)
    buttons = [c.name for c in s.controls() if c.getRoleName() == "push button"]
    check(buttons == a11y.BUTTONS, "buttons %s" % buttons)
    lst_brl, lst_anzahl = s.lists()
    for liste, eintraege, gewaehlt in ((lst_brl, a11y.LST_BRL, 0), (lst_anzahl, a11y.LST_ANZAHL, 1)):
        namen = [liste.getChildAtIndex(i).name for i in range(liste.childCount)]
        check(namen == eintraege, "list entries %s" % namen)
        check(s.has_state(liste.getChildAtIndex(gewaehlt), "selected"), "entry %d not selected" % gewaehlt)


def hilfe(s):
    """The help view: Enter on the help button, the text line by line, Escape back."""
    info = s.help_text()
    check(s.has_state(s.find("push button", a11y.BUTTONS[0]), "focused"), "the window opens on the help button")
    s.key("Return")
    a11y.wait_until(lambda: s.has_state(info, "showing"), 10, "the help text to show", s.pump)
    s.focus_window(info)
    for control in s.controls():
        if control.path != info.path:
            check(not s.has_state(control, "showing"), "%s %r shows in the help view"
                  % (control.getRoleName(), control.name))
    text = info.queryText()
    zeilen, offset = [], 0
    while offset < text.characterCount and len(zeilen) <= len(a11y.HILFE_ZEILEN):
        zeile, start, ende = text.getTextAtOffset(offset, s.pyatspi.TEXT_BOUNDARY_LINE_START)
        check(start == offset and ende > offset, "line at %d runs %d..%d" % (offset, start, ende))
        zeilen.append(zeile.rstrip("\n"))
        offset = ende
    check(zeilen == a11y.HILFE_ZEILEN, "help text lines:\n%s" % "\n".join(zeilen))
    # Down moves the caret line by line; the line at the caret is the one read.
    seit = time.monotonic()
    s.key("Down", "Down")
    s.wait_event(seit, "object:text-caret-moved", "caret events in the help text", path=info.path,
                 where=lambda e: e[2] >= len(a11y.HILFE_ZEILEN[0]) + len(a11y.HILFE_ZEILEN[1]) + 2)
    zeile = text.getTextAtOffset(text.caretOffset, s.pyatspi.TEXT_BOUNDARY_LINE_START)[0]
    check(zeile.rstrip("\n") == a11y.HILFE_ZEILEN[2], "line at the caret after two Down: %r" % zeile)
    s.key("Escape")
    a11y.wait_until(lambda: not s.has_state(info, "showing"), 10, "the help view to close", s.pump)
    s.focus_window(s.lists()[0])


def vollbild_an(s, feld):
    text, caret = feld.lesen(), feld.caret()
    seit = feld.s.key("v")
    a11y.wait_until(lambda: s.frame().name == "" and not s.has_state(s.lists()[0], "showing"), 10,
                    "the full-field view", s.pump)
    s.focus_window(feld.field)
    check(s.has_state(feld.field, "showing"), "the field is hidden in the full-field view")
    for control in s.controls():
        if control.path != feld.path:
            check(not s.has_state(control, "showing"), "%s %r shows in the full-field view"
                  % (control.getRoleName(), control.name))
    check(feld.lesen() == text and feld.caret() == caret, "the full-field view changed the field or its caret")
    check(not s.events_since(seit, "object:text-changed", feld.path), "the view change rewrote the field")


def vollbild_aus(s, feld):
    text = feld.lesen()
    s.key("Escape")
    a11y.wait_until(lambda: s.frame().name.startswith(a11y.TITEL_ANFANG), 10, "the caption back", s.pump)
    for control in s.controls():
        if control.getRoleName() != "text":
            check(s.has_state(control, "showing"), "%s %r hidden after the full-field view"
                  % (control.getRoleName(), control.name))
    check(s.has_state(feld.field, "focused"), "the focus left the field with Escape")
    check(feld.lesen() == text, "leaving the full-field view changed the field")


def paar_cue_abwarten(s, feld, beide, routing_waehrend=None):
    """While the pair cue plays, the field is answered at once and stays as it
    is; a routing key placed meanwhile (`routing_waehrend`) waits for the cue."""
    beginn = time.monotonic()
    antworten = []
    geroutet = None
    while True:
        t0 = time.monotonic()
        text = feld.lesen()
        antworten.append(time.monotonic() - t0)
        if text != beide:
            break
        if routing_waehrend is not None and geroutet is None and t0 - beginn > 0.5:
            t0 = time.monotonic()
            check(feld.text.setCaretOffset(routing_waehrend), "setCaretOffset during the cue refused")
            antworten.append(time.monotonic() - t0)
            geroutet = time.monotonic()
        check(time.monotonic() - beginn < PAAR_CUE + 5, "the pair cue never ended")
        s.pump(0.02)
    ende = time.monotonic()
    dauer = ende - beginn
    feld.answer_times.extend(antworten)
    feld.cue_lengths.append(dauer)
    check(len(antworten) >= 20, "only %d answers during the pair cue" % len(antworten))
    check(dauer >= PAAR_CUE - 0.7, "the pair cue lasted only %.2f s" % dauer)
    if geroutet is not None:
        # The routing key waited: the field stayed as it was for the rest of the cue.
        check(ende - geroutet > 1.0, "the routing key acted %.2f s into the cue" % (geroutet - beginn))


def spiel(s, feld):
    """Plays the game to its end like a player with a perfect memory."""
    bekannt = {}      # cell -> letter seen
    gefunden = set()
    punkte = [0, 0]
    spieler = 0
    erster = None     # a first card already turned (by the routing key during a cue)
    runde = 0
    routing_im_cue = True
    text = feld.lesen()
    while len(gefunden) < KARTEN:
        runde += 1
        if runde == 2:
            vollbild_an(s, feld)
        if runde == 4:
            vollbild_aus(s, feld)
        offen = [i for i in range(KARTEN) if i not in gefunden]
        unbekannt = [i for i in offen if i not in bekannt]
        if erster is None:
            paare = [(a, b) for a in offen for b in offen if a < b and a in bekannt and b in bekannt
                     and bekannt[a] == bekannt[b]]
            a = paare[0][0] if paare else unbekannt[0]
            neu = feld.aktivieren(a)
            check(gleich_bis_auf(text, neu, {a}) and neu[a].isalpha(), "first card at %d: %r -> %r"
                  % (a, text, neu))
            bekannt[a] = neu[a]
            text = neu
        else:
            a, erster = erster, None
        partner = [b for b in offen if b != a and bekannt.get(b) == bekannt[a]]
        b = partner[0] if partner else [i for i in unbekannt if i != a][0]
        beide = feld.aktivieren(b)
        check(gleich_bis_auf(text, beide, {b}) and beide[b].isalpha(), "second card at %d: %r -> %r"
              % (b, text, beide))
        bekannt[b] = beide[b]
        if bekannt[a] == bekannt[b]:
            gefunden |= {a, b}
            punkte[spieler] += 1
            rest = [i for i in range(KARTEN) if i not in gefunden and i not in bekannt]
            naechster = rest[0] if routing_im_cue and rest else None
            paar_cue_abwarten(s, feld, beide, naechster)
            erwartet = list(beide)
            erwartet[a] = erwartet[b] = "-"
            erwartet[KARTEN + 2 + spieler] = chr(96 + punkte[spieler])
            erwartet = "".join(erwartet)
            if naechster is not None:
                # The routing key placed during the cue turns its card once the cue has ended.
                routing_im_cue = False
                text = feld.warten_auf(lambda t: t[naechster].isalpha(), "the card routed during the cue")
                check(gleich_bis_auf(erwartet, text, {naechster}), "after the pair and the waiting routing key: "
                      "%r, expected %r" % (text, erwartet))
                check(feld.caret() == naechster, "caret not on the routed cell after the cue")
                bekannt[naechster] = text[naechster]
                erster = naechster
            elif len(gefunden) < KARTEN:
                text = feld.warten_auf(lambda t: t == erwartet, "the pair turned into dashes (%r)" % erwartet)
        else:
            # A miss: both stay visible until the next activation anywhere, which
            # covers them and passes the turn.
            verdeckt = list(beide)
            verdeckt[a] = verdeckt[b] = "."
            neu = feld.aktivieren(b, "taste")
            check(neu == "".join(verdeckt), "after a miss %r, not %r" % (neu, "".join(verdeckt)))
            text = neu
            spieler = 1 - spieler
    log("cards seen: %s" % "".join(bekannt.get(i, "?") for i in range(KARTEN)))
    punkt = "".join(chr(96 + p) if p else "-" for p in punkte)
    ende = feld.warten_auf(lambda t: t.startswith("Spielschluss"), "the end of the game")
    check(ende == "Spielschluss  " + punkt, "end of game %r, expected scores %r" % (ende, punkt))
    check(sum(punkte) == KARTEN // 2, "points %s" % punkte)
    # The next activation takes the player to the new-game button.
    s.key("space")
    a11y.wait_until(lambda: s.has_state(s.find("push button", "Neues Spiel"), "focused"), 10,
                    "the focus on the new-game button", s.pump)
    return punkte


def main(s):
    s.listen("object:text-changed", "object:text-caret-moved", "object:state-changed:focused")
    tasten_und_namen(s)
    hilfe(s)
    # Leaving the Braille-size list deals; Tab goes on to the player list and the field.
    s.key("Tab", "Tab")
    feld = Spielfeld(s)
    a11y.wait_until(lambda: s.has_state(feld.field, "focused"), 10, "the focus in the field", s.pump)
    check(feld.lesen() == LEER, "field %r" % feld.lesen())
    check(feld.caret() == 0, "caret %d at the start" % feld.caret())
    punkte = spiel(s, feld)

    answers = sorted(feld.answer_times)
    log("AT-SPI answers during %d pair cues (%s s): %d, longest %.1f ms, median %.1f ms"
        % (len(feld.cue_lengths), ", ".join("%.2f" % d for d in feld.cue_lengths), len(answers),
           answers[-1] * 1000, statistics.median(answers) * 1000))
    start = s.xdotool_startup()
    log("key press to text-changed: %d presses, median %.1f ms, longest %.1f ms from starting xdotool; "
        "less xdotool's own start-up (%.1f ms): median %.1f ms"
        % (len(feld.key_latencies), statistics.median(feld.key_latencies) * 1000,
           max(feld.key_latencies) * 1000, start * 1000, (statistics.median(feld.key_latencies) - start) * 1000))
    log("setCaretOffset to text-changed: %d routings, median %.1f ms, longest %.1f ms"
        % (len(feld.routing_latencies), statistics.median(feld.routing_latencies) * 1000,
           max(feld.routing_latencies) * 1000))
    log("points: %s" % punkte)
    check(answers[-1] < ANTWORT_GRENZE, "an answer during a cue took %.1f ms" % (answers[-1] * 1000))
    check(max(feld.key_latencies) < 2.0, "a key press took %.2f s to change the field" % max(feld.key_latencies))
    check(max(feld.routing_latencies) < 2.0, "a routing key took %.2f s" % max(feld.routing_latencies))

    code = s.close()
    check(code == 0, "the program ended with %s" % code)
    check(s.settings() == b"0,1,0\r\n", "settings written on closing: %r" % s.settings())


if __name__ == "__main__":
    a11y.run(main)
