#!/usr/bin/python3
"""Audacity 3.2, a real host, applies the Linux plug-in and shows its editor.

Usage: audacity-host-test.py PLUGIN.so|BUNDLE.lv2 BRISKO-RENDER   (DISPLAY: a private Xvfb)

With an LV2 bundle Audacity applies its LV2 plug-in instead: it shows its
own controls built from the ports, where the six values are typed, and the
export equals brisko-render's (the VST 2 plug-in of its build tree) with
them; it also prints how many parameters Audacity's scripting lists for the
plug-in's command (none: scripting does not reach them).

1. Audacity applies the plug-in with chosen values (modulation on) to the demo
   input; the exported float WAV equals brisko-render's bit for bit.
2. The plug-in's own editor inside Audacity's effect dialog, captured from the
   screen, equals brisko-render --editor-png for the same values pixel for pixel.
3. A slider dragged there (XTest, xdotool) changes the value Audacity applies:
   a slow drag on one slider and a quick flick (press, move, release between
   two idle calls) on another; the second export equals brisko-render with
   both values, and the editor shows them.

Everything Audacity keeps lives in a private HOME under a temporary folder;
Audacity is started by this script and ended by its process id; every wait has
a deadline. Exit status 0 pass, 1 fail, 77 skipped. See README.md for the
host's behaviour and its defects worked around here.
"""
import contextlib
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
    print(f"SKIPPED: {missing.name} is missing for /usr/bin/python3 (Debian's python3-numpy and python3-pil;"
          " tools/install-deps.sh test installs them)")
    sys.exit(77)

sys.dont_write_bytecode = True  # nothing written into the source tree
import audacity_setup as setup  # noqa: E402

PLUGIN, RENDER = (os.path.realpath(a) for a in sys.argv[1:3])
LV2 = PLUGIN.endswith(".lv2")
# The dialog's title: the VST 2 plug-in's effect name, the LV2 plug-in's doap:name.
DIALOG = "Brisko Dynamic Spectrum Delay" if LV2 else "BriskoEditGUI"
REGISTERED_PATH = r"urn:brisko:dynamic-spectrum-delay" if LV2 else r".*/Brisko\.so"
# The first value field of Audacity's controls for the LV2 ports, from the
# dialog's top left corner, and the spacing of the rows.
LV2_FIELD, LV2_ROW_PITCH = (178, 86), 39
DISPLAY = os.environ["DISPLAY"]
EDITOR_SIZE = (200, 300)
BLOCK = 8192  # Audacity's block length for an offline effect
# Values chosen by clicks in the editor, as editor x positions per parameter
# (the value is (x - 24) / 149): modulation on, every parameter off its default.
CHOSEN_X = {0: 36, 1: 99, 2: 124, 3: 54, 4: 44, 5: 134}
DRAG_ROW = 0  # "Delay time"
DRAG_FROM_X, DRAG_TO_X = 120, 61
FLICK_ROW = 1  # "Feedback", clicked to CHOSEN_X[1] before
FLICK_FROM_X, FLICK_TO_X = 40, 150
SCREENSHOT = os.environ.get("BRISKO_AUDACITY_SCREENSHOT")  # Audacity's window with the dragged editor, as PNG
WORK = None  # the temporary folder of this run
failures = []


def log(text):
    print(text, flush=True)


def fail(text):
    failures.append(text)
    log("FAILED: " + text)


def run(args, timeout=60):
    return subprocess.run(args, check=True, timeout=timeout, capture_output=True, text=True).stdout


def xdotool(*args):
    return run(["xdotool", *map(str, args)], timeout=10)


def wait_for(what, predicate, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def window_named(name):
    try:
        ids = xdotool("search", "--onlyvisible", "--name", f"^{re.escape(name)}$").split()
    except subprocess.CalledProcessError:
        return None
    return ids[0] if ids else None


class Audacity:
    """One Audacity process under the private HOME, ended by its id."""

    def __init__(self, home, vst_dir, log_path):
        env = dict(os.environ, HOME=home, VST_PATH=vst_dir, TZ="UTC", XDG_CONFIG_HOME=home + "/.config",
                   XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache")
        env.pop("SESSION_MANAGER", None)
        # The LV2 bundle is found in the private ~/.lv2 alone.
        env.pop("LV2_PATH", None)
        self.log = open(log_path, "ab")
        self.process = subprocess.Popen(["audacity"], env=env, stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=subprocess.STDOUT, start_new_session=True,
                                        cwd=home)

    def alive(self):
        return self.process.poll() is None

    def check_alive(self):
        if not self.alive():
            raise RuntimeError(f"Audacity exited with status {self.process.returncode}")
        return None

    def stop(self):
        if self.alive():
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait(timeout=10)
        self.log.close()


def float_bits(path):
    """The sample words of a float WAV (any header layout) as uint32."""
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path} is not a WAV file")
    pos, fmt = 12, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], int.from_bytes(data[pos + 4:pos + 8], "little")
        body = data[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt = (int.from_bytes(body[0:2], "little"), int.from_bytes(body[2:4], "little"),
                   int.from_bytes(body[14:16], "little"))
        elif tag == b"data":
            if fmt is None or fmt[2] != 32 or fmt[0] not in (3, 0xFFFE):
                raise ValueError(f"{path}: not 32-bit float ({fmt})")
            return np.frombuffer(body, dtype="<u4").reshape(-1, fmt[1])
        pos += 8 + size + (size & 1)
    raise ValueError(f"{path} has no data chunk")


def same_samples(name, host_wav, reference_wav):
    a, b = float_bits(host_wav), float_bits(reference_wav)
    if a.shape != b.shape:
        fail(f"{name}: Audacity wrote {a.shape} samples, brisko-render {b.shape}")
        return False
    differing = int(np.count_nonzero(a != b))
    if differing:
        fa, fb = a.view("<f4"), b.view("<f4")
        first = int(np.argmax((a != b).any(axis=1)))
        fail(f"{name}: {differing} of {a.size} samples differ (first at frame {first}, "
             f"max |difference| {float(np.max(np.abs(fa - fb))):.3g})")
        return False
    log(f"ok: {name}: Audacity's export equals brisko-render's bit for bit ({a.shape[0]} frames, 2 channels)")
    return True


def reference_wav(work, name, values):
    out = os.path.join(work, name)
    sets = [arg for i, v in sorted(values.items()) for arg in ("--set", f"{i}={v!r}")]
    run([RENDER, "--quiet", "--block", str(BLOCK), *sets, os.path.join(work, "in.wav"), out], timeout=120)
    return out


def reference_png(work, name, values):
    out = os.path.join(work, name)
    sets = [arg for i, v in sorted(values.items()) for arg in ("--set", f"{i}={v!r}")]
    run([RENDER, "--quiet", *sets, "--editor-png", out], timeout=60)
    return np.asarray(Image.open(out).convert("RGB"))


def editor_origin(dialog):
    """Screen position of the plug-in's 200 x 300 window inside Audacity's dialog."""
    tree = run(["xwininfo", "-tree", "-id", dialog], timeout=10)
    for match in re.finditer(r"^\s+0x[0-9a-f]+ .*?\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)$", tree, re.M):
        w, h, x, y = map(int, match.groups())
        if (w, h) == EDITOR_SIZE:
            return x, y
    return None


def window_geometry(window):
    info = run(["xwininfo", "-id", window], timeout=10)
    field = lambda name: int(re.search(name + r":\s+(-?\d+)", info).group(1))
    return field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")


def grab_editor(origin):
    x, y = origin
    box = (x, y, x + EDITOR_SIZE[0], y + EDITOR_SIZE[1])
    return np.asarray(ImageGrab.grab(bbox=box, xdisplay=DISPLAY).convert("RGB"))


def editor_shows(name, dialog, expected, work, timeout=15, instead=None):
    """Waits until the editor captured in the dialog equals the expected picture,
    and answers the editor's screen position then.

    The editor paints at the host's idle, and the dialog may still be placing
    it: the window is looked up again for every capture. `instead` names
    pictures of known wrong outcomes, to say which one a failed capture shows.
    """
    shot = None
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        origin = editor_origin(dialog)
        if origin:
            shot = grab_editor(origin)
            if np.array_equal(shot, expected):
                log(f"ok: {name}: the editor in Audacity's dialog equals brisko-render --editor-png pixel for pixel")
                return origin
        time.sleep(0.2)
    if shot is None:
        save_screen("screen-no-editor.png")
        raise RuntimeError(f"{name}: no 200 x 300 editor window in Audacity's dialog")
    Image.fromarray(shot).save(os.path.join(work, "failed-capture.png"))
    differing = int(np.count_nonzero((shot != expected).any(axis=2))) if shot.shape == expected.shape else "all"
    shows = [what for what, picture in (instead or {}).items() if np.array_equal(shot, picture)]
    raise RuntimeError(f"{name}: the captured editor differs from --editor-png in {differing} pixels"
                       + (f"; it shows {shows[0]}" if shows else ""))


def keep_log(work):
    path = os.path.join(work, "audacity.log")
    if os.path.exists(path):
        lines = [l for l in open(path, errors="replace") if "Gdk-CRITICAL" not in l and l.strip()]
        log("Audacity's output (last lines):\n" + "".join(lines[-15:]))


def main():
    for tool in ("audacity", "xdotool", "xwininfo"):
        if shutil.which(tool) is None:
            log(f"SKIPPED: {tool} is not installed (tools/install-deps.sh test installs it)")
            return 77
    # Letters and digits only: the plug-in's path is part of its id, where
    # Audacity escapes an underscore ("\\_"), and a shortcut stored for such
    # an id is not found.
    base = tempfile.gettempdir()
    if not re.fullmatch(r"[A-Za-z0-9/.-]+", base):
        base = "/tmp"
    work = os.path.join(base, "brisko-audacity-" + os.urandom(6).hex())
    os.mkdir(work, 0o700)
    global WORK
    WORK = work
    keep = os.environ.get("BRISKO_AUDACITY_KEEP") == "1"
    try:
        return test(work)
    except setup.Skip as reason:
        log(f"SKIPPED: {reason}")
        return 77
    except (TimeoutError, RuntimeError, ValueError, OSError, subprocess.SubprocessError) as error:
        detail = getattr(error, "stderr", None)
        log(f"FAILED: {error}" + (f" ({detail.strip()})" if detail else ""))
        keep_log(work)
        return 1
    finally:
        if keep:
            log(f"kept {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


def test(work):
    home, vst_dir = os.path.join(work, "home"), os.path.join(work, "vst")
    os.makedirs(vst_dir)
    if LV2:
        shutil.copytree(PLUGIN, os.path.join(home, ".lv2", os.path.basename(PLUGIN)))
    else:
        shutil.copy(PLUGIN, os.path.join(vst_dir, "Brisko.so"))
    run([RENDER, "--quiet", "demo", os.path.join(work, "unused.wav"), "--save-input", os.path.join(work, "in.wav")])
    log_path = os.path.join(work, "audacity.log")
    version = setup.installed_version()
    if version[:2] != (3, 2):
        log(f"note: Audacity {'.'.join(map(str, version))}; this test was written against 3.2.4")

    # Start 1: the plug-in is scanned (in a child process of Audacity's) with
    # the scripting pipe off: a scan that loads the pipe module too leaves the
    # main process's pipe stuck for the session (a defect of Audacity 3.2.4).
    log("workaround for an Audacity 3.2.4 defect: the plug-in is scanned in a start without the scripting pipe")
    setup.write_config(home, work, version, pipe=False)
    started = time.monotonic()
    audacity = Audacity(home, vst_dir, log_path)
    try:
        wait_for("Audacity to register the plug-in", lambda: setup.registered(home, REGISTERED_PATH) or audacity.check_alive(), 60)
        wait_for("Audacity's main window", lambda: window_named("Audacity"), 60)
    finally:
        audacity.stop()
    plugin_id = setup.registered(home, REGISTERED_PATH)
    log(f"ok: Audacity registered the plug-in from {'~/.lv2' if LV2 else 'VST_PATH'} "
        f"({time.monotonic() - started:.1f} s)")

    # Start 2: pipe on.
    setup.write_config(home, work, version, pipe=True, effect_key=(plugin_id, setup.EFFECT_KEY))
    with setup.pipe_lock():
        audacity = Audacity(home, vst_dir, log_path)
        try:
            return session(work, audacity)
        finally:
            audacity.stop()


def save_screen(name):
    with contextlib.suppress(OSError):
        ImageGrab.grab(xdisplay=DISPLAY).save(os.path.join(WORK, name))


def open_dialog():
    # The shortcut opens the effect's dialog: menus do not open from key
    # presses under a bare X server.
    xdotool("key", "--clearmodifiers", setup.EFFECT_KEY)
    try:
        return wait_for("the effect's dialog", lambda: window_named(DIALOG), 30)
    except TimeoutError:
        save_screen("screen-no-dialog.png")
        raise


def slider_value(x):
    """The value a press or release at editor pixel x gives a slider."""
    return float(np.float32(x - 24) / np.float32(149))


def slider_y(origin, row):
    return origin[1] + 40 + 37 * row + 9


def click_sliders(origin, xs):
    """A press and release at one point per slider, away from its handle."""
    for row, x in xs.items():
        xdotool("mousemove", origin[0] + x, slider_y(origin, row), "click", "1")
        time.sleep(0.1)


def drag_slider(origin, row, from_x, to_x):
    """A drag as a hand makes it: steps with time between them for the host's idle."""
    y = slider_y(origin, row)
    xdotool("mousemove", origin[0] + from_x, y, "mousedown", "1")
    step = 6 if to_x > from_x else -6
    for x in list(range(from_x, to_x, step)) + [to_x]:
        time.sleep(0.1)
        xdotool("mousemove", origin[0] + x, y)
    time.sleep(0.3)
    xdotool("mouseup", "1")


def flick_slider(origin, row, from_x, to_x):
    """Press, one move and release in one xdotool call: all three reach the
    editor between two of the host's idle calls."""
    y = slider_y(origin, row)
    xdotool("mousemove", origin[0] + from_x, y, "mousedown", "1", "mousemove", origin[0] + to_x, y, "mouseup", "1")


def lv2_session(work, pipe):
    """Audacity 3.2.4 builds its own controls for the LV2 plug-in from its
    ports (it does not load the plug-in's X11 UI), and its scripting knows no
    parameter of an LV2 effect: the values are typed into those controls."""
    info = pipe.send("GetInfo: Type=Commands Format=JSON", timeout=60)
    entry = re.search(r'"id":"BriskoDynamicSpectrumDelay",.*?"params":\s*\[([^\]]*)\]', info, re.S)
    if entry:
        log(f"note: Audacity's scripting lists {len(re.findall('key', entry.group(1)))} parameters for the LV2 "
            "plug-in's command (values must go in through the dialog)")
    typed = {0: 0.25, 1: 0.75, 2: 0.125, 3: 0.5, 4: 0.625, 5: 0.875}
    pipe.send("SelectAll:")
    dialog = open_dialog()
    x, y, _, _ = window_geometry(dialog)
    for row, value in typed.items():
        field = (x + LV2_FIELD[0], y + LV2_FIELD[1] + LV2_ROW_PITCH * row)
        xdotool("mousemove", *field, "click", "1", "key", "ctrl+a", "type", f"{value}")
        xdotool("key", "Tab")
        time.sleep(0.1)
    if SCREENSHOT:
        ImageGrab.grab(xdisplay=DISPLAY).save(SCREENSHOT)
    xdotool("mousemove", *setup.apply_button(window_geometry(dialog)), "click", "1")
    wait_for("the dialog to close after Apply", lambda: not window_named(DIALOG), 60)
    out = os.path.join(work, "audacity-typed.wav")
    pipe.send(f'Export2: Filename="{out}" NumChannels=2', timeout=60)
    same_samples("values typed into Audacity's controls for the LV2 ports, modulation on", out,
                 reference_wav(work, "brisko-typed.wav", typed))
    if failures:
        keep_log(work)
        return 1
    return 0


def session(work, audacity):
    # Commands sent before the main window is up get an empty reply.
    main_window = wait_for("Audacity's main window", lambda: window_named("Audacity") or audacity.check_alive(), 60)
    pipe = setup.Pipe(alive=audacity.alive)
    pipe.wait_ready(30)
    pipe.send(f'Import2: Filename="{os.path.join(work, "in.wav")}"')

    def apply_with_dialog(name, in_dialog):
        pipe.send("SelectAll:")
        dialog = open_dialog()
        in_dialog(dialog)
        apply_button = setup.apply_button(window_geometry(dialog))
        xdotool("mousemove", *apply_button, "click", "1")
        wait_for("the dialog to close after Apply", lambda: not window_named(DIALOG), 60)
        out = os.path.join(work, f"audacity-{name}.wav")
        reply = pipe.send(f'Export2: Filename="{out}" NumChannels=2', timeout=60)
        if not os.path.exists(out):
            raise RuntimeError(f"Export2 wrote nothing: {reply}")
        return out

    if LV2:
        return lv2_session(work, pipe)
    defaults_png = reference_png(work, "defaults.png", {})
    chosen = {row: slider_value(x) for row, x in CHOSEN_X.items()}
    chosen_png = reference_png(work, "chosen.png", chosen)

    # Audacity 3.2.4 does not hand a VST 2 effect the values given by a
    # script or stored as its settings: the values are set in the editor.
    log("workaround for an Audacity 3.2.4 defect: values are set with the mouse in the plug-in's editor")

    def choose(dialog):
        origin = editor_shows("at the plug-in's defaults", dialog, defaults_png, work)
        click_sliders(origin, CHOSEN_X)
        editor_shows("after clicks on every slider", dialog, chosen_png, work)

    out = apply_with_dialog("chosen", choose)
    same_samples("values clicked in the editor, modulation on", out,
                 reference_wav(work, "brisko-chosen.wav", chosen))

    # Undo, then drag "Delay time" slowly, flick "Feedback", and apply again
    # to the original input.
    dragged = {**chosen, DRAG_ROW: slider_value(DRAG_TO_X)}
    dragged_png = reference_png(work, "dragged.png", dragged)
    flicked = {**dragged, FLICK_ROW: slider_value(FLICK_TO_X)}
    flicked_png = reference_png(work, "flicked.png", flicked)
    # What a flick that lost its end shows: the press position.
    flick_at_press_png = reference_png(work, "flick-at-press.png", {**dragged, FLICK_ROW: slider_value(FLICK_FROM_X)})

    def drag(dialog):
        origin = editor_shows("reopened", dialog, chosen_png, work)
        drag_slider(origin, DRAG_ROW, DRAG_FROM_X, DRAG_TO_X)
        origin = editor_shows("after a drag", dialog, dragged_png, work)
        flick_slider(origin, FLICK_ROW, FLICK_FROM_X, FLICK_TO_X)
        editor_shows(f"after a flick {FLICK_FROM_X} -> {FLICK_TO_X}", dialog, flicked_png, work,
                     instead={f"the press position {FLICK_FROM_X}": flick_at_press_png,
                              "the value before the flick": dragged_png})
        if SCREENSHOT:
            x, y, width, height = window_geometry(main_window)
            ImageGrab.grab(bbox=(x, y, x + width, y + height), xdisplay=DISPLAY).save(SCREENSHOT)

    pipe.send("Undo:")
    out = apply_with_dialog("dragged", drag)
    same_samples(f"after the drag and the flick (\"Delay time\" {flicked[DRAG_ROW]!r}, "
                 f"\"Feedback\" {flicked[FLICK_ROW]!r})", out, reference_wav(work, "brisko-dragged.wav", flicked))
    if failures:
        log(f"{len(failures)} check(s) failed")
        keep_log(work)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
