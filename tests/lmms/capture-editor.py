#!/usr/bin/python3
"""Waits for the plug-in's editor window ("BriskoEditGUI") on the display,
lets it paint, and saves the screen area of LMMS's main window with the
editor over it.

Usage: capture-editor.py OUTPUT.png [TIMEOUT-SECONDS]
Exits 1 when no editor window shows within the time.
"""
import os
import re
import subprocess
import sys
import time

from PIL import ImageGrab


def windows():
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True, timeout=10).stdout
    return [(name, int(w), int(h), int(x), int(y)) for name, w, h, x, y in
            re.findall(r'^\s+0x[0-9a-f]+ "([^"]*)".*?\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)$', tree, re.M)]


def main():
    output = sys.argv[1]
    deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 90)
    while time.monotonic() < deadline:
        if any(name == "BriskoEditGUI" for name, *_ in windows()):
            time.sleep(3)  # the editor paints at the VST server's next idle
            right = max(x + w for name, w, h, x, y in windows() if name.endswith("LMMS 1.2.2") or name == "BriskoEditGUI")
            bottom = max(y + h for name, w, h, x, y in windows() if name.endswith("LMMS 1.2.2") or name == "BriskoEditGUI")
            ImageGrab.grab(bbox=(0, 0, right, bottom), xdisplay=os.environ["DISPLAY"]).save(output)
            return 0
        time.sleep(0.2)
    return 1


if __name__ == "__main__":
    sys.exit(main())
