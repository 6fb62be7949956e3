#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Alerts end to end, with the real programs on one private session bus.

The real `pelmor` starts hidden (`pelmor hide`) on a profile of three pages served on
127.0.0.1, none of them due: a page that has changed, a page that answers 404 and an
inactive page. `pelmor-toolbar check` asks every active page at once, and only those.
The changed page is told through the desktop's notifications (a recording server of
ours): the notification names it, and its default action shows the page. The 404 page's
failure, with its reason, is kept beside the profile and is still there after a restart;
once the page answers again, `pelmor-toolbar check KEY` clears it.

--platform xcb runs on Xvfb with the focus in another window; there, a second start with
the own popup chosen is clicked on its text with a real X click (xdotool), which shows
the page. --platform wayland runs under Debian's weston on its headless backend.

--screenshot PATH makes the README picture instead: Debian's dunst draws the notification
on Xvfb and the part of the screen that holds it is saved.
"""

import argparse
import datetime
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from desktop import (NotificationServer, end_program, main_window, missing_tools, program_log, read_text,  # noqa: E402
                     session_bus, start_display, start_program, start_weston, wait_for)

CHANGED = "Harbour notices"
FAILING = "Ferry prices"
INACTIVE = "Old timetable"


class Pages:
    """/changed, /failing (404 until `failing` is cleared) and /inactive, counting requests."""

    def __init__(self):
        self.failing = True
        self.requests = []
        pages = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                pages.requests.append(self.path)
                if self.path == "/failing" and pages.failing:
                    self.send_error(404)
                    return
                body = page_html(self.path, 2).encode("utf-8")
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.base = f"http://127.0.0.1:{self.server.server_address[1]}"


def page_html(path, version):
    news = ("<p>Tickets are sold at the harbour office.</p><p>Bicycles now travel free of charge.</p>"
            if path == "/changed" and version == 2 else "<p>Tickets are sold on board.</p>")
    return (f"<html><head><title>{path}</title></head><body><h1>{path}</h1>"
            f"<p>Crossings every day of the week.</p>{news}</body></html>")


def write_home(home, base, popup):
    data = os.path.join(home, "data")
    config = os.path.join(home, "config")
    os.makedirs(os.path.join(data, "Files"))
    os.makedirs(config)
    today = datetime.datetime.now().strftime("%d/%m/%Y %H:%M")
    pages = []
    for number, (path, description, active) in enumerate(
            [("/changed", CHANGED, True), ("/failing", FAILING, True), ("/inactive", INACTIVE, False)], 101):
        saved = os.path.join(data, "Files", f"{number}.html")
        with open(saved, "wb") as f:
            f.write(b"\xff\xfe" + page_html(path, 1).encode("utf-16-le"))
        attrs = {"URL": base + path, "Description": description, "SavedFile": saved, "SavedDate": today,
                 "StartDate": "30/12/1899", "EndDate": "30/12/1899", "LastCheckDate": today, "PeriodTime": "1",
                 "PeriodUnit": "2", "Updated": "False", "Active": str(active), "DeleteAtEnd": "False",
                 "ShowTimeDiff": "False", "ShowPics": "False", "ShowNumbers": "False", "UseInverse": "False",
                 "ElementPath": "", "InsertColor": "#00FF00", "UpdateColor": "#FFFF00"}
        pages.append("<Page " + " ".join(f'{k}="{v}"' for k, v in attrs.items()) + "/>")
    with open(os.path.join(data, "Files.XML"), "w", encoding="utf-8") as f:
        f.write(f'<ROOT Active="True" PeriodTime="1" PeriodUnit="2">{"".join(pages)}</ROOT>')
    with open(os.path.join(config, "Pelmor.ini"), "w", encoding="utf-8") as f:
        f.write("[Preferences]\nSoftwareUpdate=False\nAutoCheck=False\nDisplayOld=False\nAlertPopup=True\n"
                f"AlertSound=False\nAlertDesktop={'False' if popup else 'True'}\n")


def toolbar(path, env, *args):
    return subprocess.run([path, *args], env=env, capture_output=True, text=True, timeout=60)


def keys(toolbar_path, env):
    """Description -> key of every page, once the window has loaded the list."""
    listing = toolbar(toolbar_path, env, "list").stdout
    return {line.split("- ", 1)[1].split(" <")[0]: line.rsplit("[", 1)[1].rstrip("]")
            for line in listing.splitlines() if "- " in line}


def checks_file(home):
    text = read_text(os.path.join(home, "data", "Files.XML.checks"))
    return {r["Key"]: r for r in json.loads(text)["pages"]} if text else {}


def run(options, home, env, pages):
    write_home(home, pages.base, popup=False)
    record = os.path.join(home, "notifications.jsonl")
    server = NotificationServer(env["DBUS_SESSION_BUS_ADDRESS"], record)
    program = start_program(options.pelmor, env, ["hide"], private_bus=False)
    try:
        wait_for("the program on the bus", lambda: keys(options.toolbar, env), 60)
        if options.platform == "xcb":
            # Another window has the focus: Pelmor's window is not the active one.
            main_window(env)
            other = subprocess.Popen(["xmessage", "-geometry", "+0+0", "Another program"], env=env)
            window = wait_for("the other window", lambda: subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--class", "xmessage"], env=env, capture_output=True,
                text=True).stdout.split(), 20)[0]
            subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
        key = wait_for("the list on the bus", lambda: keys(options.toolbar, env), 60)
        assert set(key) == {CHANGED, FAILING, INACTIVE}, key

        # Every active page is asked at once, due or not; the inactive one is not.
        assert toolbar(options.toolbar, env, "check").returncode == 0
        wait_for("two requests", lambda: {"/changed", "/failing"} <= set(pages.requests), 30)
        told = wait_for("a notification", lambda: [n for n in server.notifications() if n["summary"] == CHANGED], 30)
        assert told[0]["body"] == "Click here to view now." and told[0]["actions"][0] == "default", told
        assert told[0]["hints"].get("desktop-entry") == "pelmor", told
        failure = wait_for("the failure kept beside the profile", lambda: checks_file(home).get(key[FAILING]), 30)
        assert failure["Failing"] and failure["Reason"] == "The server answered 404 Not Found", failure
        assert "/inactive" not in pages.requests, pages.requests

        if options.platform == "wayland":
            # Wayland cannot tell whether the window went down to the task bar: the log says so.
            assert "on Wayland the desktop decides" in program_log(home)
        # The notification's default action shows the page.
        server.invoke(told[0]["id"])
        wait_for("the page shown", lambda: f"{CHANGED} showed" in program_log(home), 90)
    finally:
        end_program(program)

    # The failure outlives a restart and clears once the page answers again.
    program = start_program(options.pelmor, env, ["hide"], private_bus=False)
    try:
        wait_for("the program on the bus again", lambda: keys(options.toolbar, env), 60)
        assert checks_file(home)[key[FAILING]]["Failing"]
        pages.failing = False
        assert toolbar(options.toolbar, env, "check", key[FAILING]).returncode == 0
        wait_for("the failure cleared", lambda: not checks_file(home)[key[FAILING]]["Failing"], 30)
        assert toolbar(options.toolbar, env, "check", "no such key").returncode == 1
    finally:
        end_program(program)
        server.stop()

    if options.platform == "xcb":
        popup_click(options, env, pages)


DUNSTRC = """[global]
    width = 380
    height = 140
    origin = top-right
    offset = 16x16
    padding = 12
    horizontal_padding = 12
    frame_width = 2
    frame_color = "#5b7fb5"
    font = DejaVu Sans 11
    format = "<b>%s</b>\\n%b"
    icon_position = left
    min_icon_size = 48
    max_icon_size = 48
    icon_path = {icons}
    show_indicators = no
[urgency_normal]
    background = "#f4f6fb"
    foreground = "#1d2433"
    timeout = 0
"""


def screenshot(options, home, env, pages, path):
    """The changed page told by dunst, as the README shows it."""
    write_home(home, pages.base, popup=False)
    icons = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(options.pelmor))),
                         "share", "icons", "hicolor", "48x48", "apps")
    config = os.path.join(home, "dunstrc")
    with open(config, "w", encoding="utf-8") as f:
        f.write(DUNSTRC.format(icons=icons))
    dunst = subprocess.Popen(["dunst", "-config", config], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    program = start_program(options.pelmor, env, ["hide"], private_bus=False)
    try:
        wait_for("the program on the bus", lambda: keys(options.toolbar, env), 60)
        main_window(env)
        other = subprocess.Popen(["xmessage", "-geometry", "+0+0", "Another program"], env=env)  # noqa: F841
        window = wait_for("the other window", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--class", "xmessage"], env=env, capture_output=True,
            text=True).stdout.split(), 20)[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
        assert toolbar(options.toolbar, env, "check").returncode == 0
        drawn = wait_for("dunst's window", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--class", "Dunst"], env=env, capture_output=True,
            text=True).stdout.split(), 30)[0]
        subprocess.run(["sleep", "1"])
        g = dict(line.split("=", 1) for line in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", drawn], env=env, capture_output=True, text=True).stdout.split())
        x, y, w, h = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        m = 16
        subprocess.run(["import", "-window", "root", "-crop", f"{w + 2 * m}x{h + 2 * m}+{x - m}+{max(y - m, 0)}",
                        "+repage", path], env=env, check=True)
    finally:
        end_program(program)
        dunst.terminate()
        dunst.wait()


def popup_click(options, env, pages):
    """With Pelmor's own popup chosen, a real X click on its text shows the page."""
    home = tempfile.mkdtemp(prefix="pelmor-alerts-popup-")
    try:
        write_home(home, pages.base, popup=True)
        env = dict(env, PELMOR_HOME=home)
        program = start_program(options.pelmor, env, ["hide"], private_bus=False)
        try:
            wait_for("the program on the bus", lambda: keys(options.toolbar, env), 60)
            main_window(env)
            window = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "xmessage"], env=env,
                                    capture_output=True, text=True).stdout.split()[0]
            subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
            assert toolbar(options.toolbar, env, "check").returncode == 0
            popup = wait_for("the popup", lambda: subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--name", "^Pelmor alert$"], env=env, capture_output=True,
                text=True).stdout.split(), 30)[0]
            # Once it has slid in, a click on the middle of its text.
            geometry = wait_for("the popup shown whole", lambda: (lambda g: g if int(g["HEIGHT"]) >= 110 else None)(
                dict(line.split("=", 1) for line in subprocess.run(
                    ["xdotool", "getwindowgeometry", "--shell", popup], env=env, capture_output=True,
                    text=True).stdout.split())), 20)
            x = int(geometry["X"]) + int(geometry["WIDTH"]) // 2
            y = int(geometry["Y"]) + 60
            subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"], env=env, check=True)
            wait_for("the page shown from the popup", lambda: f"{CHANGED} showed" in program_log(home), 90)
        finally:
            end_program(program)
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pelmor", required=True)
    parser.add_argument("--toolbar", required=True)
    parser.add_argument("--platform", choices=["xcb", "wayland"], default="xcb")
    parser.add_argument("--screenshot", help="save a picture of the notification as dunst draws it here")
    options = parser.parse_args()
    if options.screenshot:
        options.platform = "xcb"
    tools = ["dbus-daemon", "dbus-send"] + (["Xvfb", "xdotool", "xmessage"] if options.platform == "xcb" else ["weston"])
    if missing_tools(*tools):
        print("skipped: missing", missing_tools(*tools))
        return 77
    pages = Pages()
    home = tempfile.mkdtemp(prefix="pelmor-alerts-")
    display = weston = None
    try:
        with session_bus() as address:
            env = dict(os.environ, PELMOR_HOME=home, DBUS_SESSION_BUS_ADDRESS=address)
            env.pop("XDG_ACTIVATION_TOKEN", None)
            # Root or not, the browser window must open without being told about the sandbox.
            env["QTWEBENGINE_CHROMIUM_FLAGS"] = "--disable-gpu"
            if options.platform == "xcb":
                display, name = start_display()
                env.update(DISPLAY=name, QT_QPA_PLATFORM="xcb")
            else:
                weston, additions = start_weston()
                env.update(additions, QT_QPA_PLATFORM="wayland")
                env.pop("DISPLAY", None)
            try:
                if options.screenshot:
                    screenshot(options, home, env, pages, options.screenshot)
                else:
                    run(options, home, env, pages)
            except AssertionError:
                print(program_log(home)[-3000:], file=sys.stderr)
                raise
    finally:
        for process in (display, weston):
            if process:
                process.terminate()
                process.wait()
        pages.server.shutdown()
        shutil.rmtree(home, ignore_errors=True)
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
