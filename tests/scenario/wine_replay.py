#!/usr/bin/python3
"""The scenario on paarix.exe under wine, from outside: keys through X (xdotool), the rest as a
screen reader does it, from another process (probe.exe: sent messages, EM_SETSEL routing, clicks,
reads, the live region); the sound through wine's waveOut into an ALSA capture. Plays from the
release zip; then what only the Windows game shows (windows_only).
  wine_replay.py BUILD_DIR ZIP
Needs DISPLAY (an X server without a window manager) and a booted WINEPREFIX; scripts/cross-windows
provides both."""

import os, re, shutil, subprocess, sys, tempfile, time, zipfile  # noqa: E401

sys.dont_write_bytecode = True  # nothing written into the source tree
import replay  # noqa: E402


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class WineBackend:
    def __init__(self, build, zip_file, folder):
        self.probe_exe, self.program = os.path.join(build, "win32", "probe.exe"), None
        self.game = os.path.join(folder, "game")
        os.mkdir(self.game)
        subprocess.run(["cmake", "-E", "tar", "xf", zip_file], cwd=self.game, check=True)
        self.ini = os.path.join(self.game, "paarix.ini")
        palette, alsa = os.path.join(folder, "palette"), os.path.join(folder, "alsa.conf")
        subprocess.run(["wine", os.path.join(build, "tests", "scenario", "cue_samples.exe"), windows_path(palette)],
                       check=True, stderr=subprocess.DEVNULL)
        self.cues = replay.Cues(os.path.join(folder, "capture.wav"), palette)
        open(alsa, "w").write(replay.alsa_capture(self.cues.capture))
        self.env = dict(os.environ, ALSA_CONFIG_PATH=alsa)

    def probe(self, *args):
        done = subprocess.run(["wine", self.probe_exe, *args], capture_output=True, text=True, encoding="utf-8",
                              timeout=30)
        replay.check(done.returncode == 0, "probe %s (exit %d): %s %s" % (" ".join(args), done.returncode,
                                                                          done.stdout.strip(), done.stderr.strip()))
        return done.stdout

    def start(self, ini):
        if self.running():  # one that would not end
            self.program.kill()
        open(self.ini, "wb").write(ini.encode() + b"\r\n")
        self.program = subprocess.Popen(["wine", "paarix.exe"], cwd=self.game, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while self.window().get("shown") != "1":
            replay.check(time.monotonic() < deadline, "paarix.exe shows no window")
            time.sleep(0.1)

    def key(self, *keys):  # to the active window, as on Windows
        subprocess.run(["xdotool", "key", "--delay", "40", *keys], check=True, timeout=20)

    def route(self, cell, behind):
        if behind:
            self.probe("behind", ",".join(behind), "route", str(cell))
        else:
            self.probe("route", str(cell))

    def click(self, cell, count):
        self.probe("click", str(cell), str(count))

    def ctrl_click(self, listbox):
        self.probe("ctrl-click", listbox)

    def press(self, button, behind):
        if behind:
            self.probe("behind", ",".join(behind), "press", button)
        else:
            self.probe("press", button)

    def command(self, button):
        self.probe("command", button)

    def close(self):
        self.probe("close")

    def watch_focus(self):
        watch = subprocess.Popen(["wine", self.probe_exe, "watch-focus", "2"], stdout=subprocess.PIPE, text=True)
        replay.check(watch.stdout.readline() == "watching\n", "the focus watch did not start")
        return lambda: watch.communicate(timeout=20)[0].split()

    def window(self):
        """The window as the probe reads it: key=value."""
        try:
            answer = self.probe("state")
        except replay.Failure:  # once a probe ended without a word under load; a second look tells
            answer = self.probe("state")
        return dict(line.split("=", 1) for line in answer.splitlines() if "=" in line)

    def state(self):
        replay.check(self.running(), "the program has ended")
        s = self.window()
        start, end = s["sel"].split(",")
        return {"field": s["field"], "caret": int(start) if start == end else None, "focus": s["focus"],
                "view": replay.view(s["visible"].split(), s["caption"], s["status-shown"] == "1"),
                "LstBrl": int(s["LstBrl"].split(":")[0]), "LstAnzahl": int(s["LstAnzahl"].split(":")[0])}

    def running(self):
        return self.program is not None and self.program.poll() is None

    def ended(self):
        try:
            self.program.wait(10)
            return True
        except subprocess.TimeoutExpired:
            return False

    def pump(self, seconds):
        time.sleep(seconds)


def windows_only(b, zip_file):
    """What only the Windows game shows: the zip's contents, the status line's place and the field's
    size at 96 and 144 dots per inch, the live region as a screen reader hears it, Alt+E and the
    end of the Windows session saving the lists."""
    failures = []

    def verify(condition, what):
        replay.log("%s %s" % ("ok  " if condition else "FAIL", what))
        failures.extend([] if condition else [what])

    with zipfile.ZipFile(zip_file) as files:
        verify(sorted(files.namelist()) == ["Liesmich.txt", "paarix.exe"], "the zip holds paarix.exe and Liesmich.txt")
        guide = files.read("Liesmich.txt")
    verify(guide.startswith(b"\xef\xbb\xbf") and guide.endswith(b"\r\n") and b"\n" not in guide.replace(b"\r\n", b""),
           "Liesmich.txt is UTF-8 with a BOM and CR LF")
    b.start("0,1,0")
    replay.Replay(b).wait_state({"field": r"\.{12}  --"})  # the two players' game dealt after the window shows
    at96, status = b.window(), "Spieler 1 ist dran · 0 : 0 · noch 6 Paare"
    verify(re.fullmatch(r"0,442,(\d+),(\d+) in \1,\2", at96["status-place"]),
           "96 dots per inch: the status line below the controls, as wide as the window: " + at96["status-place"])
    verify(at96["status"] == status, "the status line at the start: " + at96["status"])
    b.key("Tab", "Tab", "Tab")
    hearing = subprocess.Popen(["wine", b.probe_exe, "hear", "5"], stdout=subprocess.PIPE, text=True, encoding="utf-8")
    replay.check(hearing.stdout.readline() == "listening\n", "the probe does not hear")
    keyed = []
    for key, text in (("s", "Ansagen an"), ("i", status), ("space", "(the letter)"), ("s", "Ansagen aus")):
        keyed.append((time.time(), text))
        b.key(key)
        time.sleep(0.8)
    said = [(text.replace("(the letter)", b.window()["field"][0]), at) for at, text in keyed]
    lines = hearing.communicate(timeout=20)[0].splitlines()
    heard = [(text, int(at) / 1000) for at, text in (line.split(" ", 1) for line in lines)]
    delays = [(text, round((at - keyed_at) * 1000)) for (text, at), (_, keyed_at) in zip(heard, said)]
    verify([text for text, _ in heard] == [text for text, _ in said] and all(0 <= ms < 500 for _, ms in delays),
           "the live region says s, i, a card and s again, each within 0.5 s of its key (ms): %s" % delays)
    b.key("shift+Tab", "Up")
    replay.Replay(b).wait_state({"LstAnzahl": 0})
    b.key("alt+e")
    verify(b.ended() and open(b.ini, "rb").read() == b"0,0,0\r\n", "Alt+E ends the program, the lists saved")
    registry("HKCU\\Control Panel\\Desktop", "LogPixels", "/t", "REG_DWORD", "/d", "144")
    b.start("0,0,0")
    at144 = b.window()
    verify(re.fullmatch(r"0,663,(\d+),(\d+) in \1,\2", at144["status-place"]),
           "144 dots per inch: the status line below the controls, as wide as the window: " + at144["status-place"])
    (width96, cell96), (width144, cell144) = [[int(n) for n in w["pixels"].split(",")] for w in (at96, at144)]
    verify(width144 * 2 == width96 * 3 and abs(cell144 * 2 / 3 - cell96) <= 1,
           "144 dots per inch: the field and its font 1.5 times as large: %s, %s" % (at96["pixels"], at144["pixels"]))
    b.key("Tab", "Down")
    replay.Replay(b).wait_state({"LstBrl": 1})
    b.probe("endsession")
    verify(open(b.ini, "rb").read() == b"1,0,0\r\n", "the end of the Windows session saves the lists at once")
    return not failures


def registry(key, name, *value):
    subprocess.run(["wine", "reg", "add", key, "/v", name, *value, "/f"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def main():
    # No window manager: wine manages the windows itself, as Windows does; 96 dots per inch.
    registry("HKCU\\Software\\Wine\\X11 Driver", "Managed", "/d", "N")
    registry("HKCU\\Control Panel\\Desktop", "LogPixels", "/t", "REG_DWORD", "/d", "96")
    folder = tempfile.mkdtemp(prefix="paarix-scenario-")
    backend = WineBackend(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), folder)
    try:
        passed = replay.Replay(backend).run(replay.parse())
        if backend.running():
            backend.program.kill()
            backend.program.wait()
        passed = windows_only(backend, sys.argv[2]) and passed
    finally:
        if backend.running():
            backend.program.kill()
    if passed:
        shutil.rmtree(folder, ignore_errors=True)
        replay.log("PASSED")
    else:
        replay.log("FAILED: the scenario failed on paarix.exe under wine; work folder kept: %s" % folder)
    sys.exit(0 if passed else 1)


if __name__ == "__main__":
    main()
