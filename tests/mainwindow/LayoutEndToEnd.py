#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The main window's placement with the real program on a virtual X display.

Pelmor starts on a preferences file that knows nothing of the splitter: the window opens
where the file says. The splitter, dragged with the real mouse, reaches the file in twips
and is where it was after a restart. A window made smaller than its least size springs
back.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from desktop import main_window, missing_tools, program_on_display, read_text, wait_for, xdotool  # noqa: E402

TWIPS = 15  # per pixel on the virtual display (96 dpi)
OLD_PREFERENCES = ("[Preferences]\r\nStatusBar=True\r\nToolbar=True\r\n"
                   "[Form]\r\nTop=600\r\nLeft=600\r\nHeight=7800\r\nWidth=10800\r\nWindowState=0\r\n")


def geometry(env, window):
    text = subprocess.run(["xdotool", "getwindowgeometry", window], env=env, capture_output=True, text=True).stdout
    x, y = map(int, re.search(r"Position: (-?\d+),(-?\d+)", text).groups())
    w, h = map(int, re.search(r"Geometry: (\d+)x(\d+)", text).groups())
    return x, y, w, h


def splitter(ini):
    found = re.search(r"^Splitter=(\d+)", read_text(ini), re.MULTILINE)
    return int(found.group(1)) if found else None


def settled(ini):
    """The splitter position once the file has kept the same one for a moment."""
    seen = []

    def same_twice():
        seen.append(splitter(ini))
        time.sleep(0.3)
        return seen[-1] is not None and len(seen) > 1 and seen[-1] == seen[-2] and seen[-1]
    return wait_for("the splitter in the preferences file", same_twice, 20)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pelmor", required=True)
    parser.add_argument("--failure-shot", help="save a picture of the screen here when the run fails")
    args = parser.parse_args()
    for tool in missing_tools("Xvfb", "xdotool"):
        print(f"{tool} is missing (scripts/setup.sh installs it)", file=sys.stderr)
        return 1

    home = tempfile.mkdtemp(prefix="pelmor-layout-")
    ini = os.path.join(home, "config", "Pelmor.ini")
    os.makedirs(os.path.dirname(ini))
    with open(ini, "w", newline="") as f:
        f.write(OLD_PREFERENCES)

    with program_on_display(args.pelmor, home, args.failure_shot) as env:
        window = main_window(env)
        x, y, w, h = wait_for("the stored placement", lambda: (lambda g: g[2:] == (720, 520) and g)(
            geometry(env, window)), 15)
        assert (x, y) == (40, 40), (x, y)
        assert splitter(ini) is None
        # The handle lies between the tree and the panels, whose usual width is 5400 twips,
        # inside a margin of 120 twips.
        grip_x = x + w - 8 - 5400 // TWIPS - 3
        grip_y = y + h // 2

        def drag(by):
            xdotool(env, "mousemove", "--sync", str(grip_x), str(grip_y), "mousedown", "1")
            for step in range(1, 11):
                xdotool(env, "mousemove", "--sync", str(grip_x + by * step // 10), str(grip_y))
            xdotool(env, "mouseup", "1")
            return settled(ini)

        before = drag(-100)
        assert 2000 <= before <= (w - 16 - 100) * TWIPS - 5400, before
        grip_x -= 100
        moved = drag(60)
        assert abs(moved - (before + 60 * TWIPS)) <= TWIPS, (before, moved)

        # Made smaller than its least size, the window springs back.
        xdotool(env, "windowsize", window, "100", "100")
        wait_for("the least size", lambda: (lambda g: g[2] >= 8000 // TWIPS and g[3] >= 7000 // TWIPS)(
            geometry(env, window)), 15)
        xdotool(env, "windowsize", window, "720", "520")
        wait_for("the old size", lambda: geometry(env, window)[2:] == (720, 520), 15)
        moved = settled(ini)

    with program_on_display(args.pelmor, home, args.failure_shot) as env:
        window = main_window(env)
        wait_for("the stored placement", lambda: geometry(env, window)[2:] == (720, 520), 15)
        time.sleep(1)
        # Shown at the same size, the window keeps the stored position (it would write a
        # new one had the panels opened at their usual width).
        xdotool(env, "windowsize", window, "721", "520")
        wait_for("the new width", lambda: geometry(env, window)[2] == 721, 15)
        xdotool(env, "windowsize", window, "720", "520")
        again = settled(ini)
        assert abs(again - moved) <= 2 * TWIPS, (moved, again)
    print(f"splitter {before} -> {moved} twips, kept across a restart")
    return 0


if __name__ == "__main__":
    sys.exit(main())
