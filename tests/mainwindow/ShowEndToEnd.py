#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Showing a changed page end to end, with the real programs on a virtual X display.

A page served on 127.0.0.1 changes after it was saved. The real `pelmor` starts on a
private home with a check at start-up; the page turns red (the profile says Updated).
Enter on its node shows it: a browser window opens whose document holds the marks, the
inserted paragraph in the insert colour and the updated word in the update colour (read
back from the page's DOM through the browser's remote debugging port), the page is seen
(Updated cleared, "showed" in the program log), its saved copy is now the live page
without marks, and the real checker then finds the page unchanged.

Options make the same run produce the README picture of a shown page (--screenshot) and
time a display of a big page (--page-kb, --report-time); the time is reported, never
asserted.
"""

import argparse
import base64
import html
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from desktop import Site, main_window, missing_tools, program_log, profile_text, program_on_display, wait_for  # noqa: E402

DESCRIPTION = "Harbour ferry timetable"
INSERTED = "Extra ferry at 18:30 on Sundays in summer."
REMOVED = "Bicycles travel free of charge."


def page_html(version, size_kb):
    rows = [("Ferry", "Departs", "Arrives"), ("Morning", "07:15", "07:50"), ("Noon" if version == 1 else "Midday", "12:00", "12:35"),
            ("Evening", "17:45" if version == 1 else "17:55", "18:20" if version == 1 else "18:30")]
    table = "".join("<tr>" + "".join(f"<td>{html.escape(c)}</td>" for c in row) + "</tr>" for row in rows)
    news = ("<p>Tickets are sold on board." + (f" {REMOVED}" if version == 1 else "") + "</p>"
            + (f"<p>{INSERTED}</p>" if version == 2 else "")
            + "<p>Dogs on a lead are welcome on every crossing.</p>")
    body = (f"<h1>{DESCRIPTION}</h1><p>Crossings between the old harbour and the island, every day.</p>"
            f"<table border='1' cellpadding='4'>{table}</table><h2>Notices</h2>{news}")
    filler = []
    n = 0
    while len(body) + sum(len(f) for f in filler) < size_kb * 1024:
        n += 1
        filler.append(f"<p>Archive notice {n}: the crossing of day {n} ran to the timetable, "
                      f"with calm water and {n % 7 + 3} cars on board.</p>")
    return (f"<html><head><title>{DESCRIPTION}</title></head><body style='font-family: sans-serif'>"
            f"{body}{''.join(filler)}</body></html>")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_home(home, url, size_kb):
    data = os.path.join(home, "data")
    config = os.path.join(home, "config")
    os.makedirs(os.path.join(data, "Files"))
    os.makedirs(config)
    saved = os.path.join(data, "Files", "101.html")
    with open(saved, "wb") as f:
        f.write(b"\xff\xfe" + page_html(1, size_kb).encode("utf-16-le"))
    attrs = {
        "URL": url, "Description": DESCRIPTION, "SavedFile": saved, "SavedDate": "30/12/1899 00:00",
        "StartDate": "30/12/1899", "EndDate": "30/12/1899", "LastCheckDate": "30/12/1899 00:00",
        "PeriodTime": "1", "PeriodUnit": "2", "Updated": "False", "Active": "True", "DeleteAtEnd": "False",
        "ShowTimeDiff": "False", "ShowPics": "False", "ShowNumbers": "False", "UseInverse": "False",
        "ElementPath": "", "InsertColor": "#00FF00", "UpdateColor": "#FFFF00"}
    page = "<Page " + " ".join(f'{k}="{html.escape(v)}"' for k, v in attrs.items()) + "/>"
    with open(os.path.join(data, "Files.XML"), "w", encoding="utf-8") as f:
        f.write(f'<ROOT Active="True" PeriodTime="1" PeriodUnit="2">{page}</ROOT>')
    with open(os.path.join(config, "Pelmor.ini"), "w", encoding="utf-8") as f:
        f.write("[Preferences]\nSoftwareUpdate=False\nStatusBar=True\nToolbar=True\nAutoCheck=True\n"
                "DisplayOld=False\nAlertPopup=False\n\n[Form]\nTop=300\nLeft=300\nHeight=8000\nWidth=12000\n"
                "WindowState=0\n")
    return saved








def evaluate(ws_url, expression):
    """Runtime.evaluate over the browser's debugging web socket; the value it returns."""
    u = urllib.parse.urlparse(ws_url)
    with socket.create_connection((u.hostname, u.port), timeout=20) as s:
        key = base64.b64encode(os.urandom(16)).decode()
        s.sendall((f"GET {u.path} HTTP/1.1\r\nHost: {u.hostname}:{u.port}\r\nUpgrade: websocket\r\n"
                   f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n").encode())
        buf = b""
        while b"\r\n\r\n" not in buf:
            chunk = s.recv(65536)
            if not chunk:
                raise AssertionError("debugging socket closed")
            buf += chunk
        head, buf = buf.split(b"\r\n\r\n", 1)
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise AssertionError(head.decode(errors="replace"))
        message = json.dumps({"id": 1, "method": "Runtime.evaluate",
                              "params": {"expression": expression, "returnByValue": True}}).encode()
        mask = os.urandom(4)
        n = len(message)
        header = bytes([0x81]) + (bytes([0x80 | n]) if n < 126 else bytes([0x80 | 126]) + struct.pack(">H", n)
                                  if n < 65536 else bytes([0x80 | 127]) + struct.pack(">Q", n))
        s.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(message)))

        def need(k):
            nonlocal buf
            while len(buf) < k:
                chunk = s.recv(65536)
                if not chunk:
                    raise AssertionError("debugging socket closed")
                buf += chunk

        while True:
            need(2)
            length, offset = buf[1] & 0x7F, 2
            if length == 126:
                need(4)
                length, offset = struct.unpack(">H", buf[2:4])[0], 4
            elif length == 127:
                need(10)
                length, offset = struct.unpack(">Q", buf[2:10])[0], 10
            need(offset + length)
            payload, buf = buf[offset:offset + length], buf[offset + length:]
            answer = json.loads(payload)
            if answer.get("id") == 1:
                return answer.get("result", {}).get("result", {}).get("value")


MARKS = ("JSON.stringify(Array.from(document.body.querySelectorAll('[style]'))"
         ".filter(s => /background-color/i.test(s.getAttribute('style') || '') || s.localName == 'del')"
         ".map(s => [s.localName == 'del' ? 'removed' : s.style.backgroundColor, s.textContent]))")
# The mark the bar's Next change went to: it is outlined for a moment.
STEPPED = "(document.querySelector('[pelmormark][style*=outline]') || {}).textContent || null"


def marks_in(debug_port, url, exact):
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{debug_port}/json/list", timeout=5) as r:
            targets = json.load(r)
    except OSError:
        return None
    for target in targets:
        if target.get("type") == "page" and target.get("url") == url and target.get("webSocketDebuggerUrl"):
            value = evaluate(target["webSocketDebuggerUrl"], MARKS)
            if os.environ.get("PELMOR_E2E_VERBOSE"):
                print("marks:", value, file=sys.stderr)
            marks = json.loads(value) if value else []
            if exact:
                if any(colour == "rgb(0, 255, 0)" and INSERTED in text for colour, text in marks) and any(
                        colour == "rgb(255, 255, 0)" and "Midday" in text for colour, text in marks) and any(
                        colour == "removed" and REMOVED in text for colour, text in marks):
                    return target["webSocketDebuggerUrl"]
            elif any(INSERTED in text for _, text in marks):
                # A padded page is only timed: any mark on the new paragraph will do.
                return target["webSocketDebuggerUrl"]
    return None


def check_with_the_checker(updater, env, url, saved):
    """One check of the page by the real checker program: True when it reports a change."""
    page = {"URL": url, "SavedFile": saved, "ElementPath": "", "ShowTimeDiff": False, "ShowPics": False,
            "ShowNumbers": False, "UseInverse": False, "LastCheckDate": 0, "Frames": []}
    requests = [{"request": "StartChecking"}, {"request": "CheckPage", "id": 1, "page": page}]
    proc = subprocess.Popen([updater], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env, text=True)
    try:
        for r in requests:
            proc.stdin.write(json.dumps(r) + "\n")
        proc.stdin.flush()
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            line = proc.stdout.readline()
            if not line:
                break
            event = json.loads(line)
            if event.get("event") == "PageUpdated" and event.get("id") == 1:
                return event["updated"]
        raise AssertionError("the checker gave no answer")
    finally:
        try:
            proc.stdin.write(json.dumps({"request": "StopChecking"}) + "\n")
            proc.stdin.close()
        except OSError:
            pass
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pelmor", required=True)
    parser.add_argument("--updater", required=True)
    parser.add_argument("--page-kb", type=int, default=0, help="pad the page to this size")
    parser.add_argument("--screenshot", help="save a picture of the shown page here")
    parser.add_argument("--failure-shot", help="save a picture of the screen here when the run fails")
    parser.add_argument("--report-time", action="store_true", help="print the time from Show to the marked page")
    args = parser.parse_args()

    for tool in missing_tools("Xvfb", "xdotool"):
        print(f"{tool} is missing (scripts/setup.sh installs it)", file=sys.stderr)
        return 1

    version = 1
    site = Site("/timetable", lambda: page_html(version, args.page_kb))
    home = tempfile.mkdtemp(prefix="pelmor-show-")
    saved = write_home(home, site.url, args.page_kb)
    version = 2
    debug_port = free_port()
    try:
        with program_on_display(args.pelmor, home, args.failure_shot, PELMOR_UPDATER=args.updater,
                                QTWEBENGINE_REMOTE_DEBUGGING=f"127.0.0.1:{debug_port}",
                                QTWEBENGINE_CHROMIUM_FLAGS=os.environ.get("QTWEBENGINE_CHROMIUM_FLAGS",
                                                                          "--no-sandbox --disable-gpu")) as env:
            wait_for("the check to mark the page", lambda: 'Updated="True"' in profile_text(home), 90)
            window = main_window(env)
            # The tree has the focus: the root, then the page below it, then Enter.
            subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
            subprocess.run(["xdotool", "key", "--window", window, "Home", "Down"], env=env, check=True)
            time.sleep(0.3)
            started = time.monotonic()
            subprocess.run(["xdotool", "key", "--window", window, "Return"], env=env, check=True)
            shown = wait_for("the marks in the shown page", lambda: marks_in(debug_port, site.url, args.page_kb == 0),
                             120)
            elapsed = time.monotonic() - started
            if args.page_kb == 0:
                # F3 in the browser window goes to the first change: it is outlined for a moment.
                time.sleep(1.0)
                browser = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"{DESCRIPTION} - Pelmor"],
                                         env=env, capture_output=True, text=True, check=True).stdout.split()[0]
                subprocess.run(["xdotool", "windowfocus", "--sync", browser], env=env, check=True)
                subprocess.run(["xdotool", "key", "--window", browser, "F3"], env=env, check=True)
                wait_for("F3 to step to a change", lambda: evaluate(shown, STEPPED), 10)

            wait_for("the page to be seen", lambda: 'Updated="False"' in profile_text(home), 30)
            assert f"{DESCRIPTION} showed" in program_log(home), "no 'showed' record in Pelmor.log"
            with open(saved, "rb") as f:
                copy = f.read().decode("utf-16")
            assert INSERTED in copy, "the saved copy is not the live page"
            assert "#00FF00" not in copy.upper(), "the saved copy holds marks"
            assert check_with_the_checker(args.updater, env, site.url, saved) is False, "the next check found a change"

            if args.screenshot:
                time.sleep(1.5)  # let the maximised window settle and paint
                subprocess.run(["import", "-window", "root", args.screenshot], env=env, check=True)
            if args.report_time:
                size = len(page_html(2, args.page_kb).encode("utf-8")) / 1024
                print(f"Show to marked page, {size:.0f} KB page on 127.0.0.1: {elapsed * 1000:.0f} ms")
            print("show end to end: ok")
            return 0
    finally:
        site.shutdown()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
