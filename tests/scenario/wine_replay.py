#!/usr/bin/python3
"""The scenario on paarix.exe under wine, from outside: keys through X (xdotool), the rest as a
screen reader does it, from another process (probe.exe: sent messages, EM_SETSEL routing, clicks,
reads); the sound through wine's waveOut into an ALSA capture. Plays from the release zip.
  wine_replay.py BUILD_DIR ZIP
Needs DISPLAY (an X server without a window manager) and a booted WINEPREFIX; scripts/cross-windows
provides both."""

import os, shutil, subprocess, sys, tempfile, time  # noqa: E401

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
        open(alsa, "w").write('pcm.!default { type file slave.pcm { type null } format "wav" truncate true file "%s" }\n'
                              % self.cues.capture)
        self.env = dict(os.environ, ALSA_CONFIG_PATH=alsa)

    def probe(self, *args):
        done = subprocess.run(["wine", self.probe_exe, *args], capture_output=True, text=True, timeout=30)
        replay.check(done.returncode == 0, "probe %s (exit %d): %s %s" % (" ".join(args), done.returncode,
                                                                          done.stdout.strip(), done.stderr.strip()))
        return done.stdout

    def start(self, ini):
        open(self.ini, "wb").write(ini.encode() + b"\r\n")
        self.program = subprocess.Popen(["wine", "paarix.exe"], cwd=self.game, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.probe("expect", "shown=1")

    def key(self, *keys):  # to the active window, as on Windows
        subprocess.run(["xdotool", "key", "--delay", "40", *keys], check=True, timeout=20)

    def route(self, cell):
        self.probe("route", str(cell))

    def click(self, cell, count):
        self.probe("click", str(cell), str(count))

    def ctrl_click(self, listbox):
        self.probe("ctrl-click", listbox)

    def press(self, button):
        self.probe("press", button)

    def command(self, button):
        self.probe("command", button)

    def close(self):
        self.probe("close")

    def reader(self):
        self.reading = subprocess.Popen(["wine", self.probe_exe, "read-field"], stdout=subprocess.PIPE, text=True)
        replay.check(self.reading.stdout.readline() == "reading\n", "the reader did not start")

    def watch_focus(self):
        watch = subprocess.Popen(["wine", self.probe_exe, "watch-focus", "2"], stdout=subprocess.PIPE, text=True)
        replay.check(watch.stdout.readline() == "watching\n", "the focus watch did not start")
        return lambda: watch.communicate(timeout=20)[0].split()

    def state(self):
        replay.check(self.running(), "the program has ended")
        try:
            answer = self.probe("state")
        except replay.Failure:  # once a probe ended without a word under load; a second look tells
            answer = self.probe("state")
        s = dict(line.split("=", 1) for line in answer.splitlines() if "=" in line)
        start, end = s["sel"].split(",")
        visible = s["visible"].split()
        return {"field": s["field"], "caret": int(start) if start == end else None, "focus": s["focus"],
                "view": "help" if visible == ["Info"] else "full" if visible == ["Spiel"] else "normal",
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


def main():
    # No window manager: wine manages the windows itself, as Windows does; 96 dots per inch.
    for setting in (["HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N"],
                    ["HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", "96"]):
        subprocess.run(["wine", "reg", "add", *setting, "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    folder = tempfile.mkdtemp(prefix="paarix-scenario-")
    backend = WineBackend(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), folder)
    try:
        passed = replay.Replay(backend).run(replay.parse())
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
