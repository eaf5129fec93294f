"""What both replayers share: reading input-order.scenario, knowing the cues in the captured
sound, learning the deal by turning cards, and checking each step against what a front end
reports. A front end is a Backend (qt_replay.py, wine_replay.py); the rest is the same."""

import os, re, time  # noqa: E401

SCENARIO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "input-order.scenario")
TIMEOUT = 5  # seconds a step's expectations may take to come true
QUIET = 0.3  # seconds without a new cue after which the cues so far are all there is
EXPECTATIONS = {"field", "up", "down", "gone", "point", "next", "caret", "focus", "view", "LstBrl", "LstAnzahl", "cues",
                "never", "ended", "ini"}
log = lambda *args: print(*args, flush=True)  # noqa: E731


class Failure(Exception): pass  # noqa: E701


def alsa_capture(wav):
    """An ALSA configuration under which everything played goes into the file wav."""
    return 'pcm.!default { type file slave.pcm { type null } format "wav" truncate true file "%s" }\n' % wav


def check(condition, message):
    if not condition:
        raise Failure(message)


def parse(path=SCENARIO):
    """The steps: (section, line number, text, when, action, arguments, expectations as (key, value)
    pairs). A comment after a blank line begins a section."""
    steps, section, blank = [], 0, True
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        if blank and line.startswith("#"):
            section += 1
        blank = not line.strip()
        text = line.split("#", 1)[0].strip()
        if not text:
            continue
        action, _, expect = text.partition("|")
        when, verb, *args = action.split()
        if when not in ("after", "during"):
            raise Failure("line %d: a step begins with after or during: %s" % (number, text))
        pairs = [tuple(e.split("=", 1)) if "=" in e else (e, "") for e in expect.split()]
        if unknown := [k for k, _ in pairs if k not in EXPECTATIONS]:
            raise Failure("line %d: no such expectation: %s" % (number, " ".join(unknown)))
        steps.append((section, number, text, when, verb, args, pairs))
    return steps


class Cues:
    """The cues in a capture of the program's sound (a WAV file that grows while it plays),
    known by the palette's samples (a folder of NAME.raw, from cue_samples), in the order
    they sound. Silence between them is skipped."""

    def __init__(self, capture, palette):
        self.capture, self.offset, self.palette = capture, 44, []  # after the WAV header
        for name in os.listdir(palette):
            samples = open(os.path.join(palette, name), "rb").read()
            first, last = _sound(samples)
            self.palette.append((name[:-4], samples[first:last], len(samples) / 2 / 48000))
        self.palette.sort(key=lambda cue: -len(cue[1]))  # the longest that fits
        self.heard, self.checked, self.playing, self.changed = [], 0, False, time.monotonic()

    def poll(self):
        """Reads what the capture has gained; each cue heard is kept with the time it was first
        seen and its length in seconds."""
        if not os.path.exists(self.capture):
            return
        with open(self.capture, "rb") as f:
            f.seek(self.offset)
            data = f.read()
        at, playing, heard = 0, False, len(self.heard)
        while (found := _NOT_SILENT.search(data, at)) is not None:
            start = found.start() & ~1
            cue = next((c for c in self.palette if data.startswith(c[1], start)), None)
            if cue is None and any(c[1].startswith(data[start:]) for c in self.palette):
                at, playing = start, True  # a cue still being written
                break
            silence = data.find(bytes(960), start)  # an unknown sound runs until 10 ms of silence
            at = start + len(cue[1]) if cue else len(data) if silence < 0 else silence
            self.heard.append((cue[0] if cue else "unknown", time.monotonic(), cue[2] if cue else 0))
        else:
            at = len(data) & ~1
        if len(self.heard) != heard or playing != self.playing:
            self.changed = time.monotonic()
        self.offset, self.playing = self.offset + at, playing

    def settle(self, pump):
        """Waits until every cue heard so far has ended and no other has followed for a while."""
        begun = time.monotonic()
        while True:
            self.poll()
            ends = max([seen + length for _, seen, length in self.heard] + [self.changed, begun])
            if not self.playing and time.monotonic() > ends + QUIET:
                return
            if time.monotonic() > begun + 20:
                raise Failure("the cues never end: %s" % self.names(self.heard))
            pump(0.02)

    def since_check(self):
        news, self.checked = self.names(self.heard[self.checked:]), len(self.heard)
        return news

    @staticmethod
    def names(cues):
        return ",".join(name for name, _, _ in cues) or "none"


_NOT_SILENT = re.compile(rb"[^\x00]")


def _sound(samples):
    """Where the sound of 16-bit samples begins and ends, in bytes: silence trimmed off."""
    first = _NOT_SILENT.search(samples).start() & ~1
    last = max(i for i in range(len(samples)) if samples[i]) | 1
    return first, last + 1


class Field:
    """What the field should show, as the steps so far leave it, and the letters seen in it."""

    def __init__(self):
        self.cells, self.scores, self.player, self.letters = [], [], 0, {}

    def set(self, text):
        cards, _, scores = text.partition("  ")
        self.cells, self.scores, self.player, self.letters = list(cards), [0] * len(scores), 0, {}

    def text(self):
        return "".join(self.cells) + "  " + "".join(chr(96 + p) if p else "-" for p in self.scores)

    def pattern(self):
        """The field as a regular expression: a card turned before its letter was seen shows any letter."""
        return "".join("[a-z]" if c in "?*" else re.escape(c) for c in self.text())

    def adopt(self, text):
        """Takes the cells and scores as the field shows them, and the letters of the turned cards."""
        cards, _, scores = text.partition("  ")
        if len(cards) != len(self.cells) or len(scores) != len(self.scores):
            return
        for i, c in enumerate(cards):
            if c.isalpha():
                self.letters[i] = c
        self.cells = list(cards)
        self.scores = [0 if c == "-" else ord(c) - 96 for c in scores]

    def show(self, cell):
        self.cells[cell] = self.letters.get(cell, "?")

    def hidden(self):
        return [i for i, c in enumerate(self.cells) if c == "."]


def view(shown, caption, status_shown):
    """The view by the controls shown (of the seven, in tab order), the caption and the status line."""
    if shown == ["Info"] and not status_shown:
        return "help"
    if shown == ["Spiel"] and not caption and not status_shown:
        return "full"
    if len(shown) == 6 and "Info" not in shown and caption and status_shown:
        return "normal"
    return "shown: %s, caption %r, status line %s" % (" ".join(shown), caption, "shown" if status_shown else "hidden")


class Replay:
    """Plays the scenario on a backend. A backend offers: start(ini), key(*keys), route(cell,
    behind) and press(button, behind) (behind: keys sent just before, still waiting with it),
    click(cell, count), ctrl_click(list), command(button), close(), watch_focus() (returns a
    function that gives the controls that held the focus since), state() (field, caret (None
    while text is selected), focus, view, LstBrl, LstAnzahl), running(), ended(), pump(seconds), and the
    attributes ini (paarix.ini's path) and cues (a Cues)."""

    def __init__(self, backend):
        self.b, self.field, self.roles, self.failures = backend, Field(), {}, 0

    def run(self, steps):
        """Plays the steps; after a failed step the rest of its section is skipped."""
        failed_section = None
        for section, number, text, when, verb, args, expectations in steps:
            if section == failed_section:
                log("skip line %d: %s" % (number, text))
                continue
            begun = time.monotonic()
            if when == "after":
                self.b.cues.settle(self.b.pump)
            watching = self.b.watch_focus() if any(k == "never" for k, _ in expectations) else None
            try:
                getattr(self, "do_" + verb)(*args)
                missed = self.check(expectations, watching)
            except Failure as failure:
                missed = [str(failure)]
            log("%s line %d (%.1f s): %s" % ("FAIL" if missed else "ok  ", number, time.monotonic() - begun, text))
            for line in missed:
                log("       " + line)
            if missed:
                self.failures += 1
                failed_section = section
            if any(k == "ended" for k, _ in expectations) or (missed and not self.b.running()):
                break
        log("scenario: %d steps failed" % self.failures)
        return self.failures == 0

    def cell(self, name):
        return int(name) if name.isdigit() else self.roles[name]

    # The actions.

    def do_start(self, ini):
        self.b.start(ini)

    def do_key(self, *keys):
        self.b.key(*keys)

    def do_turn(self, cell):  # the caret to the cell by keys, then the space bar
        self.b.key("Home", *["Right"] * self.cell(cell), "space")

    def do_route(self, cell, *behind):
        self.b.route(self.cell(cell), self.keys_before(behind))

    def do_click(self, cell, count="1"):
        self.b.click(self.cell(cell), int(count))

    def do_ctrlclick(self, listbox):
        self.b.ctrl_click(listbox)

    def do_press(self, button, *behind):
        self.b.press(button, self.keys_before(behind))

    @staticmethod
    def keys_before(behind):  # behind KEY...
        check(behind[:1] in ((), ("behind",)), "not behind KEY...: %s" % " ".join(behind))
        return list(behind[1:])

    def do_command(self, button):
        self.b.command(button)

    def do_close(self):
        self.b.close()

    def do_wait(self):
        pass

    def do_learn(self):
        """Turns face-down cards two by two until the letter of every one is known (a miss is
        turned face down again); the cues of it are not checked."""
        f = self.field
        while unknown := [i for i in f.hidden() if i not in f.letters]:
            once = [c for c in set(f.letters[i] for i in f.hidden() if i in f.letters)
                    if sum(f.letters.get(i) == c for i in f.hidden()) == 1]
            if len(unknown) == 1 or (len(unknown) == 2 and not once):
                for i in unknown:  # the twins of the cards seen once, or a pair not seen yet
                    f.letters[i] = once[0] if once else "*"
                break
            first, second = unknown[0], unknown[1]
            for cell in (first, second):
                self.do_turn(str(cell))
                self.wait_field(lambda text: text[cell].isalpha())
            self.b.cues.settle(self.b.pump)
            if f.letters[first] == f.letters[second]:
                f.cells[first] = f.cells[second] = "-"
                f.scores[f.player] += 1
            else:
                self.b.key("space")
                f.cells[first] = f.cells[second] = "."
                f.player = (f.player + 1) % len(f.scores)
            self.wait_field(lambda text: re.fullmatch(f.pattern(), text))
            self.b.cues.settle(self.b.pump)
        self.b.cues.since_check()

    def wait_field(self, condition):
        deadline = time.monotonic() + TIMEOUT
        while not condition(text := self.b.state()["field"]):
            if time.monotonic() > deadline:
                raise Failure("learning the deal: the field stays %r" % text)
            self.b.pump(0.02)
        self.field.adopt(text)

    def do_choose(self, *names):
        """Binds roles to face-down cells: the first two a pair; the third the cell left of the
        second; the fourth a cell with a letter other than the third's, right of the second
        where there is one. Where the deal has no such cells, a new game is dealt and learnt."""
        f = self.field
        for _ in range(3):
            if cells := self.roles_in_deal(len(names)):
                self.roles.update(zip(names, cells))
                log("       %s" % " ".join("%s=%d" % role for role in zip(names, cells)))
                return
            log("       no cells for %s in %s: a new game" % (" ".join(names), f.text()))
            self.b.key("alt+n")
            f.set("." * len(f.cells) + "  " + "-" * len(f.scores))
            self.wait_field(lambda text: re.fullmatch(f.pattern(), text))
            self.do_learn()
        raise Failure("no cells for %s in three deals" % " ".join(names))

    def roles_in_deal(self, count):
        f, hidden = self.field, self.field.hidden()
        for p in hidden:
            for q in hidden:
                if p == q or f.letters[p] != f.letters[q]:
                    continue
                cells = [p, q]
                if count > 2:
                    if q - 1 not in hidden or q - 1 == p:
                        continue
                    cells.append(q - 1)
                if count > 3:
                    others = [r for r in hidden if r not in cells and f.letters[r] != f.letters[q - 1]]
                    if not others:
                        continue
                    cells.append(max(others) if max(others) > q else others[0])
                return cells
        return None

    # The expectations.

    def check(self, expectations, watching):
        """Applies the expected changes to the field, then waits until the window shows them and
        every other expectation; returns what is missed."""
        f, want, missed = self.field, {}, []
        for key, value in expectations:
            cells = [self.cell(c) for c in value.split(",")] if key in ("up", "down", "gone") else []
            if key == "field":
                f.set(value.replace("_", " "))
            for c in cells:
                if key == "up":
                    f.show(c)
                else:
                    f.cells[c] = "." if key == "down" else "-"
            if key == "point":
                f.scores[f.player] += 1
            if key == "next":
                f.player = (f.player + 1) % len(f.scores)
            if key == "caret":
                want["caret"] = self.cell(value)
            if key in ("focus", "view", "LstBrl", "LstAnzahl"):
                want[key] = int(value) if key.startswith("Lst") else value
        ended = any(k == "ended" for k, _ in expectations)
        if not ended:
            want["field"] = f.pattern()
            state = self.wait_state(want)
            missed += ["%s: %r, expected %r" % (k, state.get(k), f.text() if k == "field" else v)
                       for k, v in want.items() if not self.met(k, v, state)]
            if "field" in state:
                f.adopt(state["field"])
        for key, value in expectations:
            if key == "cues":
                self.b.cues.settle(self.b.pump)
                if (heard := self.b.cues.since_check()) != value:
                    missed.append("cues heard: %s, expected %s" % (heard, value))
            if key == "never" and value in (seen := watching()):
                missed.append("the focus was on %s on the way (%s)" % (value, " ".join(seen)))
            if key == "ended" and not self.b.ended():
                missed.append("the program did not end")
            if key == "ini" and (ini := open(self.b.ini, "rb").read()) != value.encode() + b"\r\n":
                missed.append("paarix.ini holds %r, expected %r" % (ini, value.encode() + b"\r\n"))
        return missed

    def wait_state(self, want):
        deadline = time.monotonic() + TIMEOUT
        while True:
            state = self.b.state()
            if all(self.met(k, v, state) for k, v in want.items()) or time.monotonic() > deadline:
                return state
            self.b.pump(0.05)

    @staticmethod
    def met(key, value, state):
        if key == "field":
            return re.fullmatch(value, state.get("field", "")) is not None
        return state.get(key) == value
