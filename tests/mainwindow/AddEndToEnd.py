#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A new user's first minutes, with the real programs on a virtual X display.

Pelmor starts on an empty home. Through the keyboard, as a person would: the menu key on
the tree, "Add Folder...", a name; then the "Page" menu's "New...", an address served on
127.0.0.1. The folder and the page are in the profile file, the page inside the folder,
with a saved copy in the cache folder. The page then changes on the server, "Check For
Update" runs a check through the real checker, and the page turns red: the profile says
Updated and the activity log has its "Updated" record.

Then a page that takes its time: the program, asked to end while its wait window is up,
closes its window at once and leaves nothing of the half-added page behind, neither in the
profile nor in the cache folder.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from desktop import (Site, main_window, missing_tools, profile_text, program_log, program_on_display,  # noqa: E402
                     wait_for, xdotool)

FOLDER = "Travel"
TITLE = "Coast railway fares"


def fares_page(fare):
    return (f"<html><head><title>{TITLE}</title></head><body><h1>{TITLE}</h1>"
            f"<p>A single ticket from the harbour to the lighthouse costs {fare} today.</p>"
            "<p>Children under six travel free.</p></body></html>")


def dialog(env, caption):
    return wait_for(f'the "{caption}" dialog', lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", f"^{caption}$"], env=env, capture_output=True,
        text=True).stdout.split(), 15)[0]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pelmor", required=True)
    parser.add_argument("--updater", required=True)
    parser.add_argument("--screenshot", help="save a picture of the window with the red page here")
    parser.add_argument("--failure-shot", help="save a picture of the screen here when the run fails")
    args = parser.parse_args()
    for tool in missing_tools("Xvfb", "xdotool"):
        print(f"{tool} is missing (scripts/setup.sh installs it)", file=sys.stderr)
        return 1

    fare = "12.40"
    site = Site("/fares", lambda: fares_page(fare))
    home = tempfile.mkdtemp(prefix="pelmor-add-")
    try:
        with program_on_display(args.pelmor, home, args.failure_shot, PELMOR_UPDATER=args.updater) as env:
            window = main_window(env)

            def focus_window():
                # The display has no window manager to hand the focus back when a dialog goes.
                xdotool(env, "windowfocus", "--sync", window)
                time.sleep(0.2)

            focus_window()
            xdotool(env, "key", "Menu")  # the item menu of the selected root
            time.sleep(0.3)
            xdotool(env, "key", "Down", "Down", "Return")  # "Add Page" >, "Add Folder..."
            xdotool(env, "windowfocus", "--sync", dialog(env, "Folder Details"))
            xdotool(env, "type", "--delay", "10", FOLDER)
            xdotool(env, "key", "Return")
            wait_for("the folder in the profile", lambda: f'<Folder Name="{FOLDER}"' in profile_text(home), 15)

            focus_window()  # the new folder is selected
            xdotool(env, "key", "alt+p")
            time.sleep(0.3)
            xdotool(env, "key", "Down", "Return")  # "Check For Update", "New..."
            xdotool(env, "windowfocus", "--sync", dialog(env, "Page Details"))
            xdotool(env, "type", "--delay", "10", site.url)
            xdotool(env, "key", "Return")
            wait_for("the page in the profile", lambda: site.url in profile_text(home), 30)

            profile = profile_text(home)
            folder = re.search(rf'<Folder Name="{FOLDER}"[^>]*>(.*?)</Folder>', profile, re.S)
            assert folder and site.url in folder.group(1), f"the page is not inside the folder: {profile}"
            saved = re.search(r'SavedFile="([^"]+)"', folder.group(1)).group(1)
            assert os.path.dirname(saved) == os.path.join(home, "data", "Files"), saved
            with open(saved, "rb") as f:
                assert "12.40" in f.read().decode("utf-16"), "the saved copy is not the page"
            assert 'Updated="False"' in profile

            fare = "13.10"
            focus_window()  # the new page is selected
            xdotool(env, "key", "alt+p")
            time.sleep(0.3)
            xdotool(env, "key", "Return")  # "Check For Update"
            wait_for("the page to turn red", lambda: 'Updated="True"' in profile_text(home), 60)
            if args.screenshot:
                time.sleep(0.5)
                subprocess.run(["import", "-window", "root", args.screenshot], env=env, check=True)

            # A slow page: the add goes on behind the wait window, and the end of the program
            # meanwhile leaves nothing of it behind.
            slow = Site("/slow", lambda: (time.sleep(4), fares_page("9.99"))[1])
            try:
                cache = os.path.join(home, "data", "Files")
                copies = sorted(os.listdir(cache))
                focus_window()
                xdotool(env, "key", "ctrl+n")
                xdotool(env, "windowfocus", "--sync", dialog(env, "Page Details"))
                xdotool(env, "type", "--delay", "10", slow.url)
                xdotool(env, "key", "Return")
                dialog(env, "Adding web page")
                pid = int(subprocess.run(["xdotool", "getwindowpid", window], env=env, capture_output=True,
                                         text=True, check=True).stdout)
                os.kill(pid, signal.SIGTERM)
                # The window goes at once; the program ends once the download it no longer
                # wants has stopped (within the loader's time limit) and has removed its copy.
                wait_for("the main window to go", lambda: not subprocess.run(
                    ["xdotool", "search", "--onlyvisible", "--name", "^Pelmor$"], env=env, capture_output=True,
                    text=True).stdout.split(), 3)
                wait_for("the program to end", lambda: not os.path.exists(f"/proc/{pid}"), 20)
                assert slow.url not in profile_text(home), "the half-added page is in the profile"
                assert sorted(os.listdir(cache)) == copies, f"copies left behind: {os.listdir(cache)}"
                assert "FormUnload entered" in program_log(home)
            finally:
                slow.shutdown()
            print("add end to end: ok")
            return 0
    finally:
        site.shutdown()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
