"""Audacity 3.2's settings files and scripting pipe, as the host test needs them.

What each entry is for is in README.md ("Host facts").
"""
import base64
import contextlib
import datetime
import fcntl
import os
import re
import select
import subprocess
import time

PIPE_MODULE = "/usr/lib/audacity/modules/mod-script-pipe.so"
EFFECT_KEY = "F8"
# The Apply button, from the top right corner of the effect dialog.
APPLY_FROM_TOP_RIGHT = (49, 20)


class Skip(Exception):
    pass


def config_dir(home):
    return os.path.join(home, ".config", "audacity")


def installed_version():
    try:
        text = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "audacity"], capture_output=True, text=True,
                              timeout=20).stdout
        match = re.match(r"(\d+)\.(\d+)\.(\d+)", text)
        if match:
            return tuple(map(int, match.groups()))
    except (OSError, subprocess.SubprocessError):
        pass
    return (3, 2, 4)


def escape_key(text):
    return text.replace(":", "\\:").replace("=", "\\=")


def write_config(home, work, version, pipe, effect_key=None):
    """audacity.cfg: settings Audacity would otherwise ask about in dialogs."""
    if not os.path.exists(PIPE_MODULE):
        raise Skip(f"Audacity's scripting module {PIPE_MODULE} is not installed")
    # A fresh folder for each start: Audacity offers to recover the unsaved
    # project it finds there from a start that was ended, in a modal dialog.
    temp = os.path.join(work, f"audacity-temp-{'pipe' if pipe else 'scan'}")
    os.makedirs(temp)
    os.makedirs(config_dir(home), exist_ok=True)
    module_time = datetime.datetime.fromtimestamp(int(os.stat(PIPE_MODULE).st_mtime), datetime.timezone.utc)
    lines = [
        # Without these two Audacity takes the settings for an old version's,
        # resets them and shows its welcome dialog.
        "PrefsVersion=1.1.1r1",
        "[Version]", f"Major={version[0]}", f"Minor={version[1]}", f"Micro={version[2]}",
        "[GUI]", "ShowSplashScreen=0",
        "[Directories]", f"TempDir={temp}",
        # 1 loads the module, 0 does not; a path or time that does not match the
        # installed file makes Audacity ask in a dialog.
        "[Module]", f"mod-script-pipe={1 if pipe else 0}",
        "[ModulePath]", f"mod-script-pipe={PIPE_MODULE}",
        "[ModuleDateTime]", f"mod-script-pipe={module_time.strftime('%Y-%m-%dT%H:%M:%S')}",
        # WAV export as 32-bit float (libsndfile's WAV | FLOAT).
        "[FileFormats]", "ExportFormat_SF1=65542",
        "[FileFormats/ExportFormat_SF1_Type]", "WAV_10000=6",
    ]
    if effect_key:
        # Shortcuts are stored under the command's name, for an effect its
        # plug-in id, which holds the plug-in's path: its slashes are groups.
        command, key = effect_key
        group, _, entry = ("NewKeys/" + command).rpartition("/")
        lines += [f"[{group}]", f"{escape_key(entry)}={key}"]
    with open(os.path.join(config_dir(home), "audacity.cfg"), "w") as file:
        file.write("\n".join(lines) + "\n")


def registered(home, path=r".*/Brisko\.so"):
    """The plug-in id under which Audacity registered the plug-in whose Path
    matches `path` (Brisko.so by default), or None."""
    try:
        text = open(os.path.join(config_dir(home), "pluginregistry.cfg")).read()
    except OSError:
        return None
    for section, body in re.findall(r"^\[pluginregistry/Effect/base64\\:([^\]]*)\]\n((?:[^\[].*\n?)*)", text, re.M):
        if re.search(f"^Path={path}", body, re.M) and re.search(r"^Valid=1", body, re.M):
            return base64.b64decode(section.replace("\\", "")).decode()
    return None


def apply_button(dialog_geometry):
    x, y, width, _ = dialog_geometry
    return x + width - APPLY_FROM_TOP_RIGHT[0], y + APPLY_FROM_TOP_RIGHT[1]


@contextlib.contextmanager
def pipe_lock(timeout=300):
    """The pipe's names are fixed per user: one Audacity with the pipe at a time."""
    with open(f"/tmp/brisko-audacity-pipe.{os.getuid()}.lock", "w") as lock:
        deadline = time.monotonic() + timeout
        while True:
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except BlockingIOError:
                if time.monotonic() > deadline:
                    raise TimeoutError("another Audacity test held the scripting pipe too long")
                time.sleep(0.5)
        yield


class Pipe:
    """mod-script-pipe: a command line in, a reply ending in an empty line out."""

    def __init__(self, alive):
        self.to_name = f"/tmp/audacity_script_pipe.to.{os.getuid()}"
        self.from_name = f"/tmp/audacity_script_pipe.from.{os.getuid()}"
        self.alive = alive

    def wait_ready(self, timeout):
        self.send('Message: Text="ready"', timeout=timeout)

    def send(self, command, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            if not self.alive():
                raise RuntimeError(f"Audacity exited before '{command}'")
            try:
                writer = os.open(self.to_name, os.O_WRONLY | os.O_NONBLOCK)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise TimeoutError(f"Audacity's scripting pipe did not open for '{command}'")
                time.sleep(0.1)
        os.set_blocking(writer, True)
        os.write(writer, (command + "\n").encode())
        os.close(writer)
        reader = os.open(self.from_name, os.O_RDONLY | os.O_NONBLOCK)
        reply = b""
        try:
            while not reply.endswith(b"\n\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not self.alive():
                    raise TimeoutError(f"no reply to '{command}' (so far: {reply.decode(errors='replace')!r})")
                ready, _, _ = select.select([reader], [], [], min(left, 0.5))
                chunk = os.read(reader, 65536) if ready else b""
                if not chunk:
                    time.sleep(0.05)  # no writer yet: the reply is not started
                reply += chunk
        finally:
            os.close(reader)
        text = reply.decode(errors="replace")
        if "BatchCommand finished: OK" not in text:
            raise RuntimeError(f"'{command}' failed: {text.strip()}")
        return text
