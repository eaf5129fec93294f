#!/usr/bin/python3
"""What Orca shows on the Braille display and says of Paarix. The Braille line: the lists their
selected entry on Tab, the field its text with the Braille cursor on the caret's cell, also after a
routing key, and in the full-field view nothing of the program before the field. Speech: Tab into the
field says the field and its whole line; with Ansagen off no card's letter; with Ansagen switched on
by s, a refusal and the second card, pair (as its long cue begins) or none, each soon after its key;
Orca's own status-bar command the status line and how to play by ear. Orca runs with speech on and
Braille in its monitor, its speech server a module of this test that says nothing; its debug output
(see a11y_session.start_orca) tells what it would have shown and said, and when."""

import datetime, json, os, re, sys  # noqa: E401

sys.dont_write_bytecode = True  # nothing written into the source tree
import a11y_session as a11y  # noqa: E402
from a11y_session import Failure, check, log, wait_until  # noqa: E402

GESAGT = re.compile(r"(\d\d):(\d\d):(\d\d\.\d+) - SPEECH OUTPUT: '(.*)'\s?\{")
ZEILE = re.compile(r"BRAILLE LINE:\s+'(.*)'\s*\n.*VISIBLE:\s+'(.*)', cursor=(\d+)")
FRIST = 1.5  # seconds from a key to Orca's speech: well inside a pair's cue, room for a busy machine

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
'''


def einstellungen():  # Braille in Orca's monitor: the same lines, without a call to the absent brltty for each
    profil = dict(speechServerFactory="stumm", enableSpeech=True, enableBraille=False, enableBrailleMonitor=True)
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
                t = wait_until(lambda: next((t for t, u in gesagt(seit) if glatt(u) == glatt(text)), None),
                               3, repr(text), s.pump, 0.02)
            except Failure:
                raise Failure("Orca did not say %r; it said %s" % (text, [u for _, u in gesagt(seit)]))
            check(t - t0 < FRIST, "%r said %.3f s after its key" % (text, t - t0))

    def braille(was, vorher, passt):
        """The last Braille line since `vorher` (from taste()) for which passt(line, visible, cursor) holds."""
        zeilen = lambda: [(m[1], m[2], int(m[3])) for m in ZEILE.finditer(protokoll[0], vorher[0])]  # noqa: E731
        try:
            return wait_until(lambda: next((z[0] for z in reversed(zeilen()) if passt(*z)), None),
                              10, was, s.pump, 0.05)
        except Failure:
            raise Failure("%s; Orca showed: %s" % (was, [z[0] for z in zeilen()]))

    def am(caret, gedreht=True):  # the field as it is now, the cursor on `caret`, the card there turned or not
        def passt(line, visible, cursor):
            jetzt = lesen()
            return (jetzt in line and visible.startswith(jetzt) and cursor == caret + 1
                    and (jetzt[caret] != ".") == gedreht)
        return passt

    (acc,) = s.controls("text", False)
    feld = acc.queryText()
    lesen = lambda: feld.getText(0, -1)  # noqa: E731
    try:
        s.focus_window(s.controls("push button")[0])
        for eintrag in (a11y.LST_BRL[0], a11y.LST_ANZAHL[1]):  # leaving the Braille-size list deals
            log("list:", braille("the entry %r" % eintrag, taste("Tab"), lambda line, v, c: eintrag in line))
        vorher = taste("Tab")
        wait_until(lambda: s.has_state(acc, "focused"), 10, "the focus in the field", s.pump)
        log("field:", braille("the field, cursor on cell 1", vorher, am(0, False)))
        sagt(vorher, "read only text", lesen())
        karten = lesen().index(" ")
        check(set(lesen()[:karten]) == {"."}, "the deal: %r" % lesen())

        # Ansagen off, as the game starts: the first card's letter is not said.
        vorher = taste("space")
        erste = wait_until(lambda: lesen()[0] != "." and lesen()[0], 10, "the first card", s.pump)
        braille("the turned card 1 under the cursor", vorher, am(0))
        s.pump(1.0)
        check(all(glatt(u) != erste for _, u in gesagt(vorher[0])), "a letter said with Ansagen off")
        sagt(taste("s"), "Ansagen an")
        sagt(taste("space"), "%s ist schon offen" % erste)
        status = "Spieler 1 ist dran · 0 : 0 · noch %d Paare" % (karten // 2)
        sagt(taste("Insert+KP_Enter", "Insert+KP_Enter"), a11y.SPIEL_BESCHREIBUNG, status)
        # The second card by a routing key: a pair is said as its cue of seconds begins; no pair passes the turn.
        vorher = (len(protokoll[0]), jetzt())
        check(feld.setCaretOffset(7), "setCaretOffset(7) refused")
        zweite = wait_until(lambda: lesen()[7] != "." and lesen()[7], 10, "the routed card 8", s.pump)
        log("routing:", braille("the routed card 8 under the cursor", vorher, am(7)))
        if zweite == erste:
            sagt(vorher, "%s: Paar! Spieler 1 hat 1 Paar." % zweite)
            wait_until(lambda: "-" in lesen()[:karten], 10, "the pair found", s.pump)
        else:
            sagt(vorher, "%s: kein Paar." % zweite)
        s.key("v")
        wait_until(lambda: s.app[0].name == "", 10, "the full-field view", s.pump)
        s.focus_window(acc)
        line = braille("the field in the full-field view", taste("Left", "Right"), am(7))
        log("full-field view:", line)
        # Off the display to the left, Orca's context: the program and its window, a frame without a caption.
        check(line[:line.index(lesen())].strip() in ("", "paarix application", "paarix application frame"),
              "something before the field")
        check(all(glatt(u) != "notification" for _, u in gesagt(0)), "Orca named the Ansagen's role")
    finally:  # killed: Orca sometimes hangs on its way out (and unshare takes its namespace along)
        orca.kill()
        orca.wait()


if __name__ == "__main__":
    a11y.run(main, tools=("orca",))
