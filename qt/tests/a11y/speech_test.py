#!/usr/bin/python3
"""What Orca says of Paarix to a player without a Braille display: Tab into the field says the field
and its whole line; with Ansagen switched on by s, each card's letter, no pair and the turn passing,
the first pair with the scorer's pairs as its long cue begins, and refusals, each within half a second
of its key; i the status line, and Orca's own status-bar command the status line and how to play by
ear; with Ansagen off, no card's letter and no refusal. Two players by keys, the letters learnt by
turning the cards, until the first pair.
Orca runs with speech on and Braille off; its speech server is a module of this test that says
nothing, so Orca's debug output (in a pseudo-terminal, see a11y_session.start_orca) tells what
it would have said, and when."""

import datetime, json, os, re, sys  # noqa: E401

sys.dont_write_bytecode = True  # nothing written into the source tree
import a11y_session as a11y  # noqa: E402
from a11y_session import Failure, check, log, wait_until  # noqa: E402

GESAGT = re.compile(r"(\d\d):(\d\d):(\d\d\.\d+) - SPEECH OUTPUT: '(.*)'\s?\{")
FRIST = 0.5  # seconds from a key to Orca's speech

# A speech server that says nothing (its base class's methods do nothing): Orca logs what it hands to it all the same.
STUMM = '''from orca import speechserver


class SpeechServer(speechserver.SpeechServer):
    _instance = None

    @staticmethod
    def getFactoryName():
        return "stumm"

    @staticmethod
    def getSpeechServers():
        return [SpeechServer.getSpeechServer()]

    @staticmethod
    def getSpeechServer(info=None):
        SpeechServer._instance = SpeechServer._instance or SpeechServer()
        return SpeechServer._instance

    @staticmethod
    def shutdownActiveServers():
        pass

    def getInfo(self):
        return ["stumm", "stumm"]

    def getVoiceFamilies(self):
        return []
'''


def einstellungen():
    profil = {"speechServerFactory": "stumm", "enableSpeech": True, "enableBraille": False}
    return {"general": dict(profil, profile=["Default", "default"], startingProfile=["Default", "default"],
                            activeProfile=["Default", "default"]),
            "profiles": {"default": dict(profil, profile=["Default", "default"])},
            "pronunciations": {}, "keybindings": {}}


def jetzt():  # the time of day in seconds, as Orca stamps its lines
    t = datetime.datetime.now()
    return t.hour * 3600 + t.minute * 60 + t.second + t.microsecond / 1e6


def glatt(text):  # Orca ends what it says with a full stop
    return text.strip().rstrip(".").strip()


def main(s):
    modul, orca_dir = os.path.join(s.workdir, "orca-modul"), os.path.join(s.workdir, "orca")
    os.makedirs(modul)
    os.makedirs(orca_dir)
    open(os.path.join(modul, "stumm.py"), "w").write(STUMM)
    json.dump(einstellungen(), open(os.path.join(orca_dir, "user-settings.conf"), "w"))
    orca, protokoll = a11y.start_orca(s, "-e", "speech", "-d", "braille", env=dict(os.environ, PYTHONPATH=modul))
    gemessen = []

    def gesagt(seit):  # [(time of day, utterance)] after offset `seit` of Orca's output
        return [(int(m[1]) * 3600 + int(m[2]) * 60 + float(m[3]), m[4]) for m in GESAGT.finditer(protokoll[0], seit)]

    def taste(*keys):
        """Presses `keys`; returns where Orca's output and the time stood just before."""
        seit, t0 = len(protokoll[0]), jetzt()
        s.key(*keys)
        return seit, t0

    def sagt(vorher, *erwartet):
        """Each of `erwartet` said by Orca within FRIST of the key `vorher` came from taste()."""
        seit, t0 = vorher
        for text in erwartet:
            try:
                t = wait_until(lambda: next((t for t, u in gesagt(seit) if glatt(u) == glatt(text)), None), 3, repr(text),
                               s.pump, 0.02)
            except Failure:
                raise Failure("Orca did not say %r; it said %s" % (text, [u for _, u in gesagt(seit)]))
            gemessen.append((text, t - t0))
            check(t - t0 < FRIST, "%r said %.3f s after its key" % (text, t - t0))

    (acc,) = s.controls("text", False)
    feld = acc.queryText()
    lesen = lambda: feld.getText(0, -1)  # noqa: E731
    try:
        s.focus_window(s.controls("push button")[0])
        for _ in range(2):  # leaving the Braille-size list deals
            s.key("Tab")
            s.pump(0.5)
        vorher = taste("Tab")
        wait_until(lambda: s.has_state(acc, "focused"), 10, "the focus in the field", s.pump)
        sagt(vorher, "read only text", lesen())
        karten = lesen().index(" ")
        check(set(lesen()[:karten]) == {"."}, "the deal: %r" % lesen())

        def gehe(pos):
            if feld.caretOffset != pos:
                s.key(*(["Right" if pos > feld.caretOffset else "Left"] * abs(pos - feld.caretOffset)))
                wait_until(lambda: feld.caretOffset == pos, 10, "the caret on %d" % pos, s.pump)
                s.pump(0.3)  # Orca has said the cell

        def aufdecken(pos):  # the space bar on `pos`; its card's letter once it shows, and the key's time
            gehe(pos)
            vorher = taste("space")
            return wait_until(lambda: lesen()[pos] != "." and lesen()[pos], 10, "the card %d" % pos, s.pump), vorher

        # Ansagen off, as the game starts: the first card's letter is not said.
        erste, vorher = aufdecken(0)
        s.pump(1.0)
        check(all(glatt(u) != erste for _, u in gesagt(vorher[0])), "a letter said with Ansagen off")
        sagt(taste("s"), "Ansagen an")
        sagt(taste("space"), "%s ist schon offen" % erste)
        status = "Spieler 1 ist dran · 0 : 0 · noch %d Paare" % (karten // 2)
        sagt(taste("i"), status)
        sagt(taste("Insert+KP_Enter", "Insert+KP_Enter"), a11y.SPIEL_BESCHREIBUNG, status)
        # The second card: a pair is said as its cue of seconds begins; no pair passes the turn.
        zweite, vorher = aufdecken(1)
        if zweite == erste:
            sagt(vorher, "%s: Paar! Spieler 1 hat 1 Paar." % zweite)
            wait_until(lambda: "-" in lesen()[:karten], 10, "the pair found", s.pump)
        else:
            sagt(vorher, "%s: kein Paar." % zweite)
            sagt(taste("space"), "Verdeckt. Spieler 2 ist dran.")
            wait_until(lambda: lesen()[:2] == "..", 10, "the cards face down", s.pump)
        gehe(karten)
        sagt(taste("space"), "keine Karte")
        sagt(taste("s"), "Ansagen aus")
        kein = taste("space")  # no card here: refused, not said
        s.pump(1.0)
        check(all("keine Karte" not in u for _, u in gesagt(kein[0])), "a refusal said with Ansagen off")
        check(all(glatt(u) != "notification" for _, u in gesagt(0)), "Orca named the Ansagen's role")
        for text, dauer in gemessen:
            log("%6.0f ms  %s" % (dauer * 1000, text))
    finally:  # killed: Orca sometimes hangs on its way out (and unshare takes its namespace along)
        orca.kill()
        orca.wait()


if __name__ == "__main__":
    a11y.run(main, tools=("orca",))
