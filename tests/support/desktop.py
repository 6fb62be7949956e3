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


def start_program(pelmor, env, args=(), private_bus=True):
    """The program on its own session bus (unless `private_bus` is false: then on the bus of
    env's DBUS_SESSION_BUS_ADDRESS) and in a process group of its own, so that the program,
    its checker and its browser processes all go at the end."""
    launcher = ["dbus-run-session", "--"] if private_bus and shutil.which("dbus-run-session") else []
    return subprocess.Popen(launcher + [pelmor, *args], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
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


# ---- a session bus of the test's own, and a desktop notification server on it --------

@contextlib.contextmanager
def session_bus():
    """A private D-Bus session bus; yields its address. Programs started with it in
    DBUS_SESSION_BUS_ADDRESS (and not through start_program's own dbus-run-session) meet
    there: the program, pelmor-toolbar and the notification server."""
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        yield daemon.stdout.readline().strip()
    finally:
        daemon.terminate()
        daemon.wait()


def dbus_python():
    """An interpreter with Debian's python3-dbus: this one, or the system's."""
    try:
        import dbus  # noqa: F401
        return sys.executable
    except ImportError:
        return "/usr/bin/python3"


class NotificationServer:
    """org.freedesktop.Notifications on the bus at `address`, in a process of its own,
    recording every Notify call as a line of JSON in `record` (id, app, replaces, icon,
    summary, body, actions, hints). invoke(id) makes it send the notification's default
    action, after an activation token, as a desktop does when the user clicks it."""

    def __init__(self, address, record):
        self.record = record
        self.env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)
        self.process = subprocess.Popen([dbus_python(), os.path.abspath(__file__), "notification-server", record],
                                        env=self.env)
        wait_for("the notification server", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
             "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.Notifications"],
            env=self.env, capture_output=True, text=True).stdout.rstrip().endswith("true"), 10)

    def notifications(self):
        import json
        return [json.loads(line) for line in read_text(self.record).splitlines() if line.strip()]

    def invoke(self, notification_id, token="pelmor-test-token"):
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.Notifications",
                        "/org/freedesktop/Notifications", "org.pelmor.Test.Invoke", f"uint32:{notification_id}",
                        f"string:{token}"], env=self.env, check=True, capture_output=True)

    def stop(self):
        self.process.terminate()
        self.process.wait()


def serve_notifications(record):
    import json
    import dbus
    import dbus.mainloop.glib
    import dbus.service
    from gi.repository import GLib

    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    interface = "org.freedesktop.Notifications"

    class Server(dbus.service.Object):
        last_id = 0

        @dbus.service.method(interface, in_signature="susssasa{sv}i", out_signature="u")
        def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
            if not replaces:
                Server.last_id += 1
            notification_id = int(replaces) or Server.last_id
            with open(record, "a", encoding="utf-8") as f:
                f.write(json.dumps({"id": notification_id, "app": str(app), "replaces": int(replaces),
                                    "icon": str(icon), "summary": str(summary), "body": str(body),
                                    "actions": [str(a) for a in actions],
                                    "hints": {str(k): str(v) for k, v in hints.items()}}) + "\n")
            return dbus.UInt32(notification_id)

        @dbus.service.method(interface, in_signature="", out_signature="as")
        def GetCapabilities(self):
            return ["actions", "body"]

        @dbus.service.method(interface, in_signature="", out_signature="ssss")
        def GetServerInformation(self):
            return ("pelmor-test", "pelmor", "1", "1.2")

        @dbus.service.method(interface, in_signature="u", out_signature="")
        def CloseNotification(self, notification_id):
            self.NotificationClosed(notification_id, 3)

        @dbus.service.signal(interface, signature="uu")
        def NotificationClosed(self, notification_id, reason):
            pass

        @dbus.service.signal(interface, signature="us")
        def ActionInvoked(self, notification_id, action):
            pass

        @dbus.service.signal(interface, signature="us")
        def ActivationToken(self, notification_id, token):
            pass

        @dbus.service.method("org.pelmor.Test", in_signature="us", out_signature="")
        def Invoke(self, notification_id, token):
            self.ActivationToken(notification_id, token)
            self.ActionInvoked(notification_id, "default")

    name = dbus.service.BusName(interface, bus)  # noqa: F841 (held while serving)
    Server(bus, "/org/freedesktop/Notifications")
    GLib.MainLoop().run()


def start_weston():
    """Debian's weston on its headless backend; returns (process, environment additions
    for a Wayland client: WAYLAND_DISPLAY and a private XDG_RUNTIME_DIR)."""
    import tempfile
    runtime = tempfile.mkdtemp(prefix="pelmor-wayland-")
    os.chmod(runtime, 0o700)
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    weston = subprocess.Popen(["weston", "--backend=headless-backend.so", "--socket=wayland-pelmor", "--idle-time=0"],
                              env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for("weston", lambda: os.path.exists(os.path.join(runtime, "wayland-pelmor")) or weston.poll() is not None, 20)
    if weston.poll() is not None:
        raise AssertionError("weston did not start")
    return weston, {"XDG_RUNTIME_DIR": runtime, "WAYLAND_DISPLAY": "wayland-pelmor"}


if __name__ == "__main__" and sys.argv[1:2] == ["notification-server"]:
    serve_notifications(sys.argv[2])
