#!/usr/bin/python3
"""jalv (jalv.gtk3 1.6.6), a real LV2 host, embeds the plug-in's X11 UI.

Usage: jalv-editor-test.py LV2_FOLDER BRISKO-RENDER   (DISPLAY: a private Xvfb)

1. jalv is started with six values (-c symbol=value, modulation on): the UI
   inside jalv's window, captured from the screen, equals
   brisko-render --editor-png with those values pixel for pixel.
2. "Dry/Wet" is dragged to 0 there with XTest: the UI shows it, and jalv
   applies it: a click track (jack_metro) through the plug-in, recorded
   beside its input (jack_rec), comes out equal to the input (dry only),
   where before the drag it did not.

jalv runs on a dummy JACK server of its own (private name, private HOME);
every process is started here and ended by its id, every wait has a deadline.
Exit status 0 pass, 1 fail, 77 skipped.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

try:
    import numpy as np
    from PIL import Image, ImageGrab
except ImportError as missing:
    print(f"SKIPPED: {missing.name} is missing for /usr/bin/python3 (tools/install-deps.sh test installs it)")
    sys.exit(77)

FOLDER, RENDER = (os.path.realpath(a) for a in sys.argv[1:3])
DISPLAY = os.environ["DISPLAY"]
URI = "urn:brisko:dynamic-spectrum-delay"
SYMBOLS = ("delay_time", "feedback", "mod_freq", "mod_amp", "bin_delay", "dry_wet")
VALUES = (0.05, 0.6, 0.5, 0.8, 0.3, 0.7)
SIZE = (200, 300)
DRY_WET_ROW = 5
SCREENSHOT = os.environ.get("BRISKO_JALV_SCREENSHOT")  # jalv's window with the dragged UI, as PNG


def log(text):
    print(text, flush=True)


def run(args, timeout=60, env=None):
    return subprocess.run(list(map(str, args)), check=True, timeout=timeout, capture_output=True, text=True,
                          env=env).stdout


def wait_for(what, predicate, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Process:
    """A process of this test in a session of its own, ended by its id."""

    def __init__(self, args, env, log_path):
        self.log = open(log_path, "ab")
        self.args = args
        self.process = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=subprocess.STDOUT, start_new_session=True)

    def check_alive(self):
        if self.process.poll() is not None:
            raise RuntimeError(f"{self.args[0]} exited with status {self.process.returncode}")

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait(timeout=10)
        self.log.close()


def editor_window():
    """The UI's window: the innermost 200 x 300 window on the screen, with its
    absolute position."""
    tree = run(["xwininfo", "-root", "-tree"], timeout=10)
    found = None
    for match in re.finditer(r"^\s+(0x[0-9a-f]+) .*?\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)$", tree, re.M):
        window, w, h, x, y = match.group(1), *map(int, match.groups()[1:])
        if (w, h) == SIZE:
            found = (window, x, y)
    return found


def grab(x, y):
    return np.asarray(ImageGrab.grab(bbox=(x, y, x + SIZE[0], y + SIZE[1]), xdisplay=DISPLAY).convert("RGB"))


def reference_png(work, name, values):
    out = os.path.join(work, name)
    sets = [arg for i, v in enumerate(values) for arg in ("--set", f"{i}={v!r}")]
    run([RENDER, "--quiet", *sets, "--editor-png", out])
    return np.asarray(Image.open(out).convert("RGB"))


def shows(name, expected, work, timeout=15):
    """Waits until the UI in jalv's window equals `expected`; its position."""
    shot = None
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = editor_window()
        if found:
            shot = grab(found[1], found[2])
            if np.array_equal(shot, expected):
                log(f"ok: {name}: the UI in jalv's window equals brisko-render --editor-png pixel for pixel")
                return found
        time.sleep(0.2)
    if shot is None:
        raise RuntimeError(f"{name}: no 200 x 300 UI window in jalv's window")
    Image.fromarray(shot).save(os.path.join(work, "failed-capture.png"))
    differing = int(np.count_nonzero((shot != expected).any(axis=2)))
    raise RuntimeError(f"{name}: the captured UI differs from --editor-png in {differing} pixels")


def recorded_channels(work, env, name):
    """One second of the click track and the plug-in's left output, recorded
    side by side in the same JACK cycles."""
    path = os.path.join(work, name)
    run(["jack_rec", "-f", path, "-d", "1", "-b", "32", "metro:240_bpm", "brisko:out_l"], timeout=30, env=env)
    data = open(path, "rb").read()
    at = data.find(b"data")
    frames = np.frombuffer(data[at + 8:at + 8 + int.from_bytes(data[at + 4:at + 8], "little")], dtype="<i4")
    frames = frames.reshape(-1, 2)
    if not frames[:, 0].any():
        raise RuntimeError(f"{name}: the click track is silent")
    return frames[:, 0], frames[:, 1]


def test(work):
    home = os.path.join(work, "home")
    os.makedirs(home)
    env = dict(os.environ, HOME=home, LV2_PATH=FOLDER, JACK_DEFAULT_SERVER="brisko-" + os.urandom(6).hex(),
               XDG_CONFIG_HOME=home + "/.config", XDG_CACHE_HOME=home + "/.cache", NO_AT_BRIDGE="1")
    processes = []
    try:
        # Synchronous: every cycle waits for all clients, so a driver that wakes
        # late never starts a cycle on buffers a client has not written yet,
        # which async mode records as glitches. A stalled cycle is given up
        # after 10 x -t = 4 s, below the 5 s a client being opened waits for one.
        jack = Process(["jackd", "--no-realtime", "--sync", "-t", "400", "-d", "dummy", "-r", "44100", "-p", "512"],
                       env, os.path.join(work, "jackd.log"))
        processes.append(jack)
        wait_for("the JACK server", lambda: jack.check_alive() or subprocess.run(
            ["jack_lsp"], env=env, capture_output=True, timeout=10).returncode == 0, 30, 0.3)

        def ports():
            # A server busy with a slow cycle answers late: asked again.
            try:
                return run(["jack_lsp"], env=env, timeout=30)
            except subprocess.TimeoutExpired:
                return ""

        # One client at a time: the metronome and jalv opening and activating
        # at once can leave this server waiting for one of them for good.
        metro = Process(["jack_metro", "-n", "metro", "-b", "240"], env, os.path.join(work, "metro.log"))
        processes.append(metro)
        wait_for("the metronome's port", lambda: metro.check_alive() or "metro:240_bpm" in ports(), 60, 0.5)
        values = [arg for s, v in zip(SYMBOLS, VALUES) for arg in ("-c", f"{s}={v!r}")]
        jalv = Process(["jalv.gtk3", "--jack-name", "brisko", "-x", *values, URI], env,
                       os.path.join(work, "jalv.log"))
        processes.append(jalv)
        wait_for("jalv's ports", lambda: jalv.check_alive() or "brisko:in_r" in ports(), 60, 0.5)
        for side in ("in_l", "in_r"):
            run(["jack_connect", "metro:240_bpm", f"brisko:{side}"], env=env, timeout=60)

        found = shows("started with six values", reference_png(work, "started.png", VALUES), work, 60)
        dry, out = recorded_channels(work, env, "before.wav")
        if np.array_equal(dry, out):
            raise RuntimeError("before the drag the output is the dry input: the values did not reach the plug-in")

        window, x, y = found
        row_y = y + 40 + 37 * DRY_WET_ROW + 9
        run(["xdotool", "mousemove", x + 100, row_y, "mousedown", "1"], timeout=10)
        for step_x in range(94, 5, -6):
            time.sleep(0.1)
            run(["xdotool", "mousemove", x + step_x, row_y], timeout=10)
        time.sleep(0.3)
        run(["xdotool", "mouseup", "1"], timeout=10)
        dragged = VALUES[:DRY_WET_ROW] + (0.0,)
        shows("after \"Dry/Wet\" was dragged to 0", reference_png(work, "dragged.png", dragged), work)
        if SCREENSHOT:
            top = run(["xdotool", "search", "--onlyvisible", "--name", "^Brisko Dynamic Spectrum Delay$"]).split()
            if top:
                info = run(["xwininfo", "-id", top[0]], timeout=10)
                field = lambda name: int(re.search(name + r":\s+(-?\d+)", info).group(1))
                tx, ty = field("Absolute upper-left X"), field("Absolute upper-left Y")
                box = (tx, ty, tx + field("Width"), ty + field("Height"))
                ImageGrab.grab(bbox=box, xdisplay=DISPLAY).save(SCREENSHOT)
        # The first recorded cycles may still be those before jalv applied it.
        dry, out = recorded_channels(work, env, "after.wav")
        equal_from = next((i for i in range(len(dry)) if np.array_equal(dry[i:], out[i:])), None)
        if equal_from is None or equal_from > 4096:
            raise RuntimeError("after the drag to \"Dry/Wet\" 0 the plug-in's output is not its input")
        log(f"ok: jalv applies the drag: the output is the dry input ({len(dry)} frames recorded)")
        return 0
    finally:
        for process in reversed(processes):
            process.stop()


def main():
    for tool in ("jalv.gtk3", "jackd", "jack_metro", "jack_rec", "jack_connect", "jack_lsp", "xdotool", "xwininfo"):
        if shutil.which(tool) is None:
            log(f"SKIPPED: {tool} is not installed (tools/install-deps.sh test installs it)")
            return 77
    work = tempfile.mkdtemp(prefix="brisko-jalv-")
    try:
        return test(work)
    except (TimeoutError, RuntimeError, ValueError, OSError, subprocess.SubprocessError) as error:
        detail = getattr(error, "stderr", None)
        log(f"FAILED: {error}" + (f" ({detail.strip()})" if detail else ""))
        for name in ("jalv.log", "jackd.log"):
            path = os.path.join(work, name)
            if os.path.exists(path):
                log(f"{name} (last lines):\n" + "".join(open(path, errors="replace").readlines()[-10:]))
        return 1
    finally:
        if os.environ.get("BRISKO_JALV_KEEP") == "1":
            log(f"kept {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
