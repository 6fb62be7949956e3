# SPDX-License-Identifier: GPL-3.0-or-later
"""Every program given on the command line answers --help and --version at once: exit 0,
the text on standard output, without a display, a session bus or a file written. And
pelmor-diff compares two files without leaving files behind."""

import os
import subprocess
import sys
import tempfile


def run(program, *args, env):
    return subprocess.run([program, *args], env=env, capture_output=True, text=True, timeout=20,
                          stdin=subprocess.DEVNULL)


def main(programs):
    with tempfile.TemporaryDirectory() as home:
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "PELMOR_HOME": home, "HOME": home,
               "XDG_RUNTIME_DIR": home}
        failures = []
        for program in programs:
            name = os.path.basename(program)
            for option, expected in (("--help", "Usage: " + name), ("--version", "GNU GPL version 3 or later")):
                result = run(program, option, env=env)
                if result.returncode != 0 or expected not in result.stdout:
                    failures.append(f"{name} {option}: exit {result.returncode}\n{result.stdout}{result.stderr}")
        diff = next((p for p in programs if os.path.basename(p) == "pelmor-diff"), None)
        if diff:
            old = os.path.join(home, "old.html")
            new = os.path.join(home, "new.html")
            with open(old, "w") as f:
                f.write("<html><body><p>one</p></body></html>")
            with open(new, "w") as f:
                f.write("<html><body><p>one</p><p>two</p></body></html>")
            result = run(diff, old, new, env=env)
            if result.returncode != 0 or "two" not in result.stdout:
                failures.append(f"pelmor-diff: exit {result.returncode}\n{result.stdout}{result.stderr}")
        left = sorted(set(os.listdir(home)) - {"old.html", "new.html"})
        if left:
            failures.append(f"files written: {left}")
        if failures:
            print("\n".join(failures))
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
