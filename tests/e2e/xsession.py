"""An X session for the end-to-end test: a virtual X server, an optional window manager,
xdotool input and screenshots read back as 5-6-5 pixels."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from waiting import wait_for, wait_until  # noqa: E402,F401  (the scripts take them from here)

REQUIRED_TOOLS = ("Xvfb", "xdotool", "import", "convert")


def missing_tools(extra=()):
    return [t for t in (*REQUIRED_TOOLS, *extra) if shutil.which(t) is None]


def desktop_arguments(description, test_name, tools):
    """The switches a desktop check takes (--program, --mkassets accepted and unused, --out), its
    out folder made and the program's path made absolute; None, SKIPPED said, when the X tools
    or `tools` are missing."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--program", required=True)
    parser.add_argument("--mkassets", help="unused; accepted like the other end-to-end tests")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    missing = missing_tools(tools)
    if missing:
        print(f"SKIPPED: the {test_name} test needs {', '.join(missing)}")
        return None
    args.program = os.path.abspath(args.program)
    os.makedirs(args.out, exist_ok=True)
    return args


def free_display():
    for n in range(99, 200):
        if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return n
    raise RuntimeError("no free X display number between :99 and :199")


class Picture:
    """Pixels as 16-bit 5-6-5 values, row by row."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels

    @staticmethod
    def from_rgb(width, height, data):
        px = [((data[i] >> 3) << 11) | ((data[i + 1] >> 2) << 5) | (data[i + 2] >> 3)
              for i in range(0, len(data), 3)]
        return Picture(width, height, px)

    def at(self, x, y):
        if 0 <= x < self.width and 0 <= y < self.height:
            return self.pixels[y * self.width + x]
        return None

    def crop(self, left, top, width, height, step=1):
        """The rectangle at (left, top), keeping every step-th pixel (undoes a whole scale)."""
        out = []
        for y in range(height):
            row = (top + y * step) * self.width
            out.extend(self.pixels[row + left + x * step] for x in range(width))
        return Picture(width, height, out)


class XSession:
    def __init__(self, width, height, out_dir, window_manager=False):
        self.width = width
        self.height = height
        self.out_dir = out_dir
        self.display = free_display()
        self.env = dict(os.environ, DISPLAY=f":{self.display}")
        self.env.pop("WAYLAND_DISPLAY", None)
        # Never the player's own settings; a launch given this folder gets a fresh one instead.
        self.env["XDG_CONFIG_HOME"] = os.path.join(out_dir, f"config-{self.display}")
        # A data folder of the session's own: the programs keep their map there, so each run starts
        # from the shipped map, whatever else runs the program on this machine meanwhile.
        self.env["XDG_DATA_HOME"] = os.path.join(out_dir, f"data-{self.display}")
        shutil.rmtree(self.env["XDG_DATA_HOME"], ignore_errors=True)
        self.procs = []
        self._log = open(os.path.join(out_dir, f"x{self.display}.log"), "w")
        try:
            # -noreset: the server otherwise starts over whenever its last client leaves (the
            # check below, a program that ended), refusing whoever connects meanwhile.
            self._start(["Xvfb", f":{self.display}", "-screen", "0", f"{width}x{height}x24",
                         "-nolisten", "tcp", "-noreset"])
            self._wait_for_server()
            self._start_window_manager(window_manager)
        except BaseException:
            self.close()  # nothing left running when the session cannot be had
            raise

    def _start_window_manager(self, window_manager):
        """window_manager: False, True (openbox binding no keys of its own) or "default"."""
        if window_manager == "default":
            # Openbox as installed, as a new user meets it: its own rc.xml, no user's settings.
            home = os.path.join(self.out_dir, f"openbox-home-{self.display}")
            os.makedirs(home, exist_ok=True)
            self._start(["openbox"], dict(self.env, XDG_CONFIG_HOME=home))
            self._wait_for_window_manager()
        elif window_manager:
            config = os.path.join(os.path.dirname(os.path.abspath(__file__)), "openbox-rc.xml")
            self._start(["openbox", "--config-file", config])
            self._wait_for_window_manager()

    def _start(self, argv, env=None):
        self.procs.append(subprocess.Popen(argv, env=env or self.env, stdout=self._log, stderr=self._log))

    def _wait_for_server(self):
        try:
            wait_for(lambda: subprocess.run(["xdotool", "getmouselocation"], env=self.env,
                                            capture_output=True).returncode == 0, 15, "answer", step=0.2)
        except AssertionError:
            raise RuntimeError(f"X server :{self.display} did not start") from None

    def _wait_for_window_manager(self):
        """Until a window manager has announced itself on the root window."""
        def announced():
            r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                               capture_output=True, text=True)
            return "window id" in r.stdout
        wait_for(announced, 15, "the window manager to start")

    def close(self):
        for p in reversed(self.procs):
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        self._log.close()

    def xdo(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                              capture_output=True, text=True).stdout

    def find_window(self, name, timeout=40, proc=None):
        """The first visible window named name; gives up early when proc has ended."""
        def search():
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                               env=self.env, capture_output=True, text=True)
            return r.stdout.split()
        ids = wait_until(search, lambda ids: ids or (proc is not None and proc.poll() is not None), timeout,
                         step=0.2)
        if not ids:
            raise AssertionError(f"no visible window named {name!r} within {timeout} s")
        return ids[0]

    def start_program(self, argv, cwd, env, log, title="^Corvina Project$", timeout=20):
        """Starts the program and waits for its window: (process, window id). A busy virtual X
        server now and then refuses a connection; the program then says that no display could
        be opened and ends, and it is launched again, up to three times in all. A program
        without a window is never left running."""
        if env.get("XDG_CONFIG_HOME") == self.env["XDG_CONFIG_HOME"]:
            env = dict(env, XDG_CONFIG_HOME=self.fresh_settings())
        attempts = 3
        for attempt in range(1, attempts + 1):
            proc = subprocess.Popen(argv, cwd=cwd, env=env, stdout=log, stderr=log)
            try:
                return proc, self.find_window(title, timeout=timeout, proc=proc)
            except AssertionError:
                status = proc.poll()
                proc.kill()
                proc.wait()
                print(f"    launch {attempt}: no window ({'still running' if status is None else f'exited with {status}'})",
                      flush=True)
                if attempt == attempts:
                    raise
                # What the failed launch said is shown here; the log starts again for the next.
                log.flush()
                with open(log.name, errors="replace") as said:
                    for line in said.read().splitlines():
                        print(f"      {line}", flush=True)
                log.seek(0)
                log.truncate()

    def fresh_settings(self, hint_seen=True):
        """A settings folder of its own, so that no launch meets what an earlier one chose: that
        of a player who has seen the first start's hint (whose five seconds would cover the foot
        of the picture), or none at all."""
        home = tempfile.mkdtemp(prefix="config-", dir=self.out_dir)
        if hint_seen:
            os.makedirs(os.path.join(home, "corvina"))
            with open(os.path.join(home, "corvina", "corvina.conf"), "w") as f:
                f.write("hint-seen = yes\n")
        return home

    def window_geometry(self, wid):
        values = {}
        for line in self.xdo("getwindowgeometry", "--shell", wid).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def settled_geometry(self, wid, size=None, timeout=15):
        """The window's geometry once it stops changing (the same twice in a row) and, when size
        (width, height) is given, has that size: a window manager places and resizes a new window
        a moment after it shows."""
        last = [None]

        def sample():
            previous, last[0] = last[0], self.window_geometry(wid)
            return last[0] if last[0] == previous and (size is None or tuple(last[0][2:]) == tuple(size)) else None
        return wait_until(sample, bool, timeout, step=0.2) or last[0]

    def minimized(self, wid):
        """Whether the window is iconic (its WM_STATE), as a window manager minimizes it."""
        r = subprocess.run(["xprop", "-id", str(wid), "WM_STATE"], env=self.env, capture_output=True, text=True)
        return "Iconic" in r.stdout

    def frame_geometry(self, wid):
        """The window as the screen shows it, the window manager's frame included: (left, top,
        width, height), and the client area's (x, y, width, height) in screen points."""
        info = subprocess.run(["xwininfo", "-id", str(wid)], env=self.env, check=True, capture_output=True,
                              text=True).stdout
        field = lambda name: int(re.search(rf"{name}:\s*(-?\d+)", info).group(1))  # noqa: E731
        client = (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height"))
        extents = subprocess.run(["xprop", "-id", str(wid), "_NET_FRAME_EXTENTS"], env=self.env,
                                 capture_output=True, text=True).stdout
        numbers = [int(n) for n in re.findall(r"-?\d+", extents.partition("=")[2])]
        left, right, top, bottom = numbers if len(numbers) == 4 else (0, 0, 0, 0)
        x, y, w, h = client
        return (x - left, y - top, w + left + right, h + top + bottom), client

    def hold_key(self, key, seconds):
        # One xdotool for the press and the release: starting a second one takes a busy machine
        # longer than many a hold.
        self.xdo("keydown", key, "sleep", seconds, "keyup", key)

    def end_with_key(self, proc, key="F12", timeout=10):
        """Presses key, then waits for proc: its exit status (None when it did not end) and the
        seconds it took. The key comes up once the program has ended (or given up on): a program
        that ends on the press has taken its window, and the focus, away before the release."""
        start = time.monotonic()
        self.xdo("keydown", key)
        try:
            status = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            status = None
        subprocess.run(["xdotool", "keyup", key], env=self.env, capture_output=True)
        return status, time.monotonic() - start

    # Input comes at the pace of a hand, each event in a frame of its own: these pauses are part of
    # the input, not waits for the program.
    HAND = 0.15

    def move(self, x, y):
        self.xdo("mousemove", int(x), int(y))

    def touch(self, point, seconds, back):
        """The pointer at point for seconds, then at back (one xdotool, as for hold_key)."""
        self.xdo("mousemove", *map(int, point), "sleep", seconds, "mousemove", *map(int, back))

    def drag(self, start, end, steps=8):
        self.move(*start)
        time.sleep(self.HAND)
        self.xdo("mousedown", 1)
        time.sleep(self.HAND)
        for i in range(1, steps + 1):
            self.move(start[0] + (end[0] - start[0]) * i / steps, start[1] + (end[1] - start[1]) * i / steps)
            time.sleep(0.04)
        time.sleep(self.HAND)
        self.xdo("mouseup", 1)

    def right_click(self, x, y):
        self.move(x, y)
        time.sleep(self.HAND)
        self.xdo("mousedown", 3)
        time.sleep(self.HAND)
        self.xdo("mouseup", 3)

    def screenshot(self, name, rect=None):
        """The whole screen saved as name.png; returned as pixels of rect (left, top, width,
        height), or of the whole screen."""
        png = os.path.join(self.out_dir, name + ".png")
        subprocess.run(["import", "-window", "root", png], env=self.env, check=True, capture_output=True)
        left, top, width, height = rect or (0, 0, self.width, self.height)
        data = subprocess.run(["convert", png, "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                               "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
        if len(data) != width * height * 3:
            raise RuntimeError(f"screenshot {png}: {len(data)} bytes, expected {width}x{height}x3")
        return Picture.from_rgb(width, height, data)
