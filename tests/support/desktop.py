# SPDX-License-Identifier: GPL-3.0-or-later
"""What the end-to-end runs of the real program share: a virtual X display, a private
home, waiting for the program's files to say something, and ending the program with
every process it started."""

import contextlib
import http.server
import os
import shutil
import signal
import subprocess
import sys
import threading
import time


class Site:
    """An HTTP server on 127.0.0.1 that serves one HTML page at `path`, made anew for every
    request by page() (so a test changes the page by changing what page() returns)."""

    def __init__(self, path, page):
        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                if self.path != path:
                    self.send_error(404)
                    return
                body = page().encode("utf-8")
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}{path}"

    def shutdown(self):
        self.server.shutdown()


def start_display():
    """An Xvfb display of its own; returns (process, ":N")."""
    for number in range(151, 190):
        if os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                return xvfb, f":{number}"
            if xvfb.poll() is not None:
                break
            time.sleep(0.05)
        xvfb.kill()
    raise AssertionError("no free X display")


def missing_tools(*tools):
    return [tool for tool in tools if not shutil.which(tool)]


def wait_for(what, condition, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


def read_text(path, encoding="utf-8"):
    try:
        with open(path, encoding=encoding, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def profile_text(home):
    return read_text(os.path.join(home, "data", "Files.XML"))


def program_log(home):
    return read_text(os.path.join(home, "data", "Pelmor.log"))


def start_program(pelmor, env):
    """The program on its own session bus and in a process group of its own, so that the
    program, its checker and its browser processes all go at the end."""
    launcher = ["dbus-run-session", "--"] if shutil.which("dbus-run-session") else []
    return subprocess.Popen(launcher + [pelmor], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)


def end_program(program):
    os.killpg(program.pid, signal.SIGTERM)
    try:
        program.wait(10)
    except subprocess.TimeoutExpired:
        os.killpg(program.pid, signal.SIGKILL)


def main_window(env):
    """The X window of the main window once it is on screen."""
    return wait_for("the main window", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^Pelmor$"], env=env, capture_output=True,
        text=True).stdout.split(), 30)[0]


def xdotool(env, *args):
    subprocess.run(["xdotool", *args], env=env, check=True)


@contextlib.contextmanager
def program_on_display(pelmor, home, failure_shot=None, **environment):
    """The program on a display of its own with `home` as its home; yields its environment.
    A failed assertion leaves a picture of the screen (with failure_shot) and the end of the
    program's log; the program and the display end in every case."""
    xvfb, display = start_display()
    env = dict(os.environ, DISPLAY=display, PELMOR_HOME=home, QT_QPA_PLATFORM="xcb", **environment)
    program = start_program(pelmor, env)
    try:
        yield env
    except AssertionError:
        if failure_shot:
            subprocess.run(["import", "-window", "root", failure_shot], env=env)
        print(program_log(home)[-3000:], file=sys.stderr)
        raise
    finally:
        end_program(program)
        xvfb.terminate()
        xvfb.wait()
