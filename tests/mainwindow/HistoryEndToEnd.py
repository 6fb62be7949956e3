#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A page's history end to end, with the real programs on a virtual X display.

A page served on 127.0.0.1 changed after it was saved. The real `pelmor` checks it at
start: the page turns red and the checker keeps the live page as a version in the cache
folder's history. `pelmor-toolbar history KEY` lists that version; "History..." (Page
menu) lists it with the size of its change, and Enter on it opens a browser window whose
document holds the engine's marks (read back through the browser's debugging port). The
page is then shown live and the real pointer chooses a table cell with "Watch only a
part...": the profile names the cell's element path. The program is then ended: the activity log's rows are in its file, to be read at the next
start.

--screenshot saves the README picture of the history window beside the marked version.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Site, main_window, missing_tools, profile_text, program_on_display, wait_for  # noqa: E402
from ShowEndToEnd import DESCRIPTION, INSERTED, evaluate, free_port, page_html, write_home  # noqa: E402


def bus_of(home):
    """The session bus address of the pelmor process that runs on `home`."""
    def find():
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    env = dict(e.split(b"=", 1) for e in f.read().split(b"\0") if b"=" in e)
                with open(f"/proc/{pid}/comm") as f:
                    name = f.read().strip()
            except OSError:
                continue
            if name == "pelmor" and env.get(b"PELMOR_HOME") == home.encode():
                return env.get(b"DBUS_SESSION_BUS_ADDRESS", b"").decode() or None
        return None
    return wait_for("the program's session bus", find, 30)


def toolbar(path, env, bus, *args):
    result = subprocess.run([path, *args], env=dict(env, DBUS_SESSION_BUS_ADDRESS=bus), capture_output=True,
                            text=True, timeout=60)
    assert result.returncode == 0, f"pelmor-toolbar {' '.join(args)}: {result.stderr}"
    return result.stdout


def marked_version(debug_port, version_file):
    """The marks in the browser window that shows the version, once they are there."""
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{debug_port}/json/list", timeout=5) as r:
            targets = json.load(r)
    except OSError:
        return None
    for target in targets:
        if target.get("url", "").endswith(os.path.basename(version_file)) and target.get("webSocketDebuggerUrl"):
            value = evaluate(target["webSocketDebuggerUrl"],
                             "JSON.stringify(Array.from(document.body.querySelectorAll('[style]'))"
                             ".filter(s => /background-color/i.test(s.getAttribute('style') || ''))"
                             ".map(s => [s.style.backgroundColor, s.textContent]))")
            marks = json.loads(value) if value else []
            if any(colour == "rgb(0, 255, 0)" and INSERTED in text for colour, text in marks):
                return marks
    return None


def page_target(debug_port, url):
    """The debugging web socket of the browser page that shows `url`."""
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{debug_port}/json/list", timeout=5) as r:
            targets = json.load(r)
    except OSError:
        return None
    return next((t["webSocketDebuggerUrl"] for t in targets
                 if t.get("type") == "page" and t.get("url") == url and t.get("webSocketDebuggerUrl")), None)


def window_named(env, pattern):
    return wait_for(f"the window {pattern}", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", pattern], env=env, capture_output=True,
        text=True).stdout.split(), 30)[0]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pelmor", required=True)
    parser.add_argument("--updater", required=True)
    parser.add_argument("--toolbar", required=True)
    parser.add_argument("--screenshot", help="save the picture of the history window beside a marked version")
    parser.add_argument("--pointing-shot", help="save a picture of the outline while pointing")
    parser.add_argument("--failure-shot")
    args = parser.parse_args()
    for tool in missing_tools("Xvfb", "xdotool"):
        print(f"{tool} is missing (scripts/setup.sh installs it)", file=sys.stderr)
        return 1

    version = 1
    site = Site("/timetable", lambda: page_html(version, 0))
    home = tempfile.mkdtemp(prefix="pelmor-history-")
    write_home(home, site.url, 0)
    version = 2
    debug_port = free_port()
    history = os.path.join(home, "data", "Files", "History", "101")
    seeded = []
    if args.screenshot:
        # For the picture, two versions kept on earlier days.
        os.makedirs(history)
        older = page_html(1, 0).replace("Bicycles travel free of charge.", "Bicycles pay half fare.")
        for name, text in (("20261130-091500.html", older), ("20261203-091500.html", page_html(1, 0))):
            with open(os.path.join(history, name), "wb") as f:
                f.write(b"\xff\xfe" + text.encode("utf-16-le"))
            seeded.append(name)
    flags = os.environ.get("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu")
    try:
        with program_on_display(args.pelmor, home, args.failure_shot, PELMOR_UPDATER=args.updater,
                                QTWEBENGINE_REMOTE_DEBUGGING=f"127.0.0.1:{debug_port}",
                                QTWEBENGINE_CHROMIUM_FLAGS=flags) as env:
            wait_for("the check to mark the page", lambda: 'Updated="True"' in profile_text(home), 90)
            versions = wait_for("a version in the history folder",
                                lambda: [f for f in os.listdir(history) if f.endswith(".html") and f not in seeded]
                                if os.path.isdir(history) else None, 30)
            assert len(versions) == 1, versions
            version_file = os.path.join(history, versions[0])

            # The page's key from the list, then its versions from the command line.
            bus = bus_of(home)
            listing = toolbar(args.toolbar, env, bus, "list")
            key = re.search(r"<" + re.escape(site.url) + r">\s+\[([^\]]+)\]", listing)
            assert key, "the page is not in the list: " + listing
            lines = toolbar(args.toolbar, env, bus, "history", key.group(1)).splitlines()
            assert len(lines) == len(seeded) + 1 and lines[-1].split("\t")[1] == version_file, lines

            window = main_window(env)
            subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
            subprocess.run(["xdotool", "key", "--window", window, "Home", "Down"], env=env, check=True)
            time.sleep(0.3)
            subprocess.run(["xdotool", "key", "--window", window, "alt+p"], env=env, check=True)
            time.sleep(0.3)
            subprocess.run(["xdotool", "key", "h"], env=env, check=True)
            history_window = window_named(env, f"^History - {DESCRIPTION}$")
            subprocess.run(["xdotool", "windowfocus", "--sync", history_window], env=env, check=True)
            time.sleep(1.0)
            subprocess.run(["xdotool", "key", "--window", history_window, "Return"], env=env, check=True)
            marks = wait_for("the marks in the shown version", lambda: marked_version(debug_port, version_file), 60)
            assert marks, marks
            if args.screenshot:
                browser = window_named(env, f"^{DESCRIPTION} \\(version .*\\) - Pelmor$")
                subprocess.run(["xdotool", "windowsize", history_window, "470", "400",
                                "windowmove", history_window, "10", "60"], env=env, check=True)
                subprocess.run(["xdotool", "windowsize", browser, "780", "620",
                                "windowmove", browser, "490", "20"], env=env, check=True)
                time.sleep(1.5)
                subprocess.run(["import", "-window", "root", "-crop", "1280x660+0+0", args.screenshot], env=env,
                               check=True)
            # Pointing with the real pointer: the page shown live, "Watch only a part..." by its
            # shortcut, a click on a table cell; the profile then names that cell.
            subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
            subprocess.run(["xdotool", "key", "--window", window, "Home", "Down", "Return"], env=env, check=True)
            live = window_named(env, f"^{DESCRIPTION} - Pelmor$")
            wait_for("the page to be seen", lambda: 'Updated="False"' in profile_text(home), 60)
            target = wait_for("the shown page", lambda: page_target(debug_port, site.url), 30)
            subprocess.run(["xdotool", "windowfocus", "--sync", live], env=env, check=True)
            subprocess.run(["xdotool", "key", "--window", live, "ctrl+shift+e"], env=env, check=True)
            # Where the view's origin is on the screen, from a pointer move the page sees.
            evaluate(target, "document.addEventListener('mousemove', e => window.probe = [e.clientX, e.clientY]), 1")
            subprocess.run(["xdotool", "mousemove", "--sync", "640", "500"], env=env, check=True)
            probe = wait_for("the pointer in the page", lambda: evaluate(target, "JSON.stringify(window.probe || null)")
                             != "null" and json.loads(evaluate(target, "JSON.stringify(window.probe)")), 10)
            cell = json.loads(evaluate(target, "JSON.stringify((r => [r.left + r.width / 2, r.top + r.height / 2])("
                                       "document.querySelectorAll('td')[6].getBoundingClientRect()))"))
            x, y = round(640 - probe[0] + cell[0]), round(500 - probe[1] + cell[1])
            subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], env=env, check=True)
            time.sleep(0.5)
            if args.pointing_shot:
                subprocess.run(["import", "-window", "root", args.pointing_shot], env=env, check=True)
            subprocess.run(["xdotool", "click", "1"], env=env, check=True)
            wait_for("the watched part in the profile",
                     lambda: 'ElementPath="TABLE(0),TBODY(0),TR(2),TD(0)"' in profile_text(home), 30)

        # The activity log's rows were written at the end and come back at the next start.
        with open(os.path.join(home, "data", "Activity.json"), encoding="utf-8") as f:
            rows = json.load(f)
        assert any(row["texts"][1] == "Updated" for row in rows), rows
        print("history end to end: ok")
        return 0
    finally:
        site.shutdown()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
