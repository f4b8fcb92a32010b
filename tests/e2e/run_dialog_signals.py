#!/usr/bin/env python3
"""Signals while the error dialog is shown: the real program under a virtual X server, with a
short MAP.DAT (the dialog comes up over the game's window) or an unreadable footstep (the dialog
comes before any window). Each signal must end the program with the status closing the dialog
gives, and within two seconds leave no process of the program's group behind, the dialog's own
included. Exit 0 passed, 1 failed, 77 skipped."""

import argparse
import ctypes
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession, missing_tools, wait_until  # noqa: E402

SKIP = 77
GONE_WITHIN = 2.0     # seconds from the signal to an empty process group
DIALOG_WITHIN = 30.0  # seconds for the dialog to come up
PR_SET_CHILD_SUBREAPER = 36

SHORT_MAP = {"MAP.DAT": bytes(1000)}
BAD_FOOTSTEP = {"Walk.Wav": b"not a wave at all"}


class Case:
    def __init__(self, name, files, args, title, target, sig, status):
        self.name = name
        self.files = files
        self.args = args
        self.title = title    # the dialog's caption
        self.target = target  # "program" or "dialog": who gets the signal
        self.sig = sig
        self.status = status  # the program's exit status (negative: killed by that signal)


CASES = [
    Case("SIGTERM during the dialog over the game", SHORT_MAP, ["--windowed", "--use-files"], "Error",
         "program", signal.SIGTERM, 1),
    Case("SIGINT during the dialog over the game", SHORT_MAP, ["--windowed", "--use-files"], "Error",
         "program", signal.SIGINT, 1),
    Case("SIGHUP during the dialog over the game", SHORT_MAP, ["--windowed", "--use-files"], "Error",
         "program", signal.SIGHUP, 1),
    Case("SIGTERM during the dialog before any window", BAD_FOOTSTEP,
         ["--windowed", "--use-files", "--sound"], "Corvina Project", "program", signal.SIGTERM, 1),
    Case("SIGKILL during the dialog", SHORT_MAP, ["--windowed", "--use-files"], "Error",
         "program", signal.SIGKILL, -signal.SIGKILL),
    Case("SIGTERM to the dialog's own process", SHORT_MAP, ["--windowed", "--use-files"], "Error",
         "dialog", signal.SIGTERM, 1),
]


def group_members(pgid):
    """{pid: (state, command line)} of the processes in the group, zombies included."""
    members = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat") as f:
                state, _, group = f.read().rsplit(")", 1)[1].split()[:3]
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmd = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
        except OSError:
            continue
        if int(group) == pgid:
            members[int(entry)] = (state, cmd)
    return members


def reap_orphans(pgid, program_pid):
    """Reaps the group's ended processes that came to this script (the subreaper); the program
    itself is left to its Popen, which keeps its status."""
    for pid in group_members(pgid):
        if pid != program_pid:
            try:
                os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                pass


def group_gone(pgid):
    try:
        os.killpg(pgid, 0)
    except ProcessLookupError:
        return True
    return False


def ended(proc, pgid):
    """Whether the program has ended and its group is empty, reaping what ended meanwhile."""
    proc.poll()
    reap_orphans(pgid, proc.pid)
    return proc.returncode is not None and group_gone(pgid)


def dialog_shown(xs, title):
    """The dialog's window exists (its name is UTF-8, which xdotool's search does not read)."""
    r = subprocess.run(["xwininfo", "-root", "-tree"], env=xs.env, capture_output=True, text=True)
    return f'"{title}":' in r.stdout


def run_case(xs, case, program, work):
    directory = os.path.join(work, case.name.replace(" ", "_").replace("'", ""))
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    local = os.path.join(directory, "corvina")
    shutil.copy2(program, local)
    for name, content in case.files.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(content)
    env = dict(xs.env, SDL_AUDIODRIVER="dummy")
    env.pop("CORVINA_NO_DIALOG", None)
    log = open(os.path.join(directory, "stderr.txt"), "w+")
    proc = subprocess.Popen([local, *case.args], cwd=directory, env=env, stdin=subprocess.DEVNULL,
                            stdout=log, stderr=log, start_new_session=True)
    pgid = proc.pid
    problems = []
    try:
        # The dialog's window shows, its process beside the program's.
        up = lambda: dialog_shown(xs, case.title) and len(group_members(pgid)) >= 2  # noqa: E731
        wait_until(lambda: proc.poll() is not None or up(), bool, DIALOG_WITHIN, step=0.2)
        if proc.poll() is not None or not up():
            return [f"no dialog {case.title!r} came up (program status {proc.poll()})"]
        if case.target == "program":
            os.kill(proc.pid, case.sig)
        else:
            helpers = [pid for pid in group_members(pgid) if pid != proc.pid]
            if len(helpers) != 1:
                return [f"expected one dialog process beside the program, found: {group_members(pgid)}"]
            os.kill(helpers[0], case.sig)
        sent = time.monotonic()
        wait_until(lambda: ended(proc, pgid), bool, GONE_WITHIN, step=0.05)
        if proc.returncode is None:
            problems.append(f"the program still runs {GONE_WITHIN} s after the signal")
        elif proc.returncode != case.status:
            problems.append(f"status {proc.returncode}, expected {case.status}")
        if not group_gone(pgid):
            problems.append(f"left behind after {GONE_WITHIN} s: {group_members(pgid)}")
        else:
            print(f"    gone {time.monotonic() - sent:.2f} s after the signal", flush=True)
        return problems
    finally:
        if not group_gone(pgid):
            os.killpg(pgid, signal.SIGKILL)
        proc.wait()
        wait_until(lambda: ended(proc, pgid), bool, 5, step=0.05)
        log.seek(0)
        said = log.read().strip()
        log.close()
        if problems and said:
            print("    standard error: " + said.replace("\n", "\n      "), flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--out", required=True)
    a = parser.parse_args()
    missing = missing_tools(extra=("xwininfo",))
    if missing:
        print("skipped: missing " + ", ".join(missing))
        return SKIP
    os.makedirs(a.out, exist_ok=True)
    # The dialog's process outlives a killed program for a moment; as its new parent this script
    # sees it end and reaps it, instead of counting a zombie as a process left behind.
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    xs = XSession(1024, 768, a.out)
    failed = 0
    try:
        for case in CASES:
            print(f"  {case.name}", flush=True)
            problems = run_case(xs, case, a.program, a.out)
            if problems:
                failed += 1
                print("  [FAIL] " + "; ".join(problems), flush=True)
            else:
                print("  [ok]", flush=True)
    finally:
        xs.close()
    print(f"{len(CASES) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
