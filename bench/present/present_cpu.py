#!/usr/bin/env python3
"""CPU per frame of the game beside the least SDL program that shows a picture of the same size
at the same pace (corvina-minimal-present), both in a window of a virtual X server (Xvfb): no
GPU, so the game picks the window's own surface by itself (SDL_RENDER_DRIVER=opengl in the
environment makes it load OpenGL to find that out, as it once did).

  present_cpu.py [--build DIR] [--high-res | --full-screen WxH [--walk]] [--rounds N] [--warm-up W]
                 [--window S] [-- GAME ARGS]

--full-screen puts both in full screen on a screen of that size under openbox (as a player has
it: the game's picture scaled by the processor to the screen's height, the minimal program's
picture of the screen's size converted into it each frame). --walk holds the arrow keys through
the measured window, Down and Up in turn, so that person 1 walks and the view follows it: the
frame that changes most, every frame.

Each round runs each program once, the programs in alternation. The processor time of all of a
program's threads (the kernel's scheduler clock, to the nanosecond) is read when it has run for W
seconds and again S seconds later, so start-up is not in the figure; the frames in that window
are the pace both keep, 60 a second, times S (a round with a run that fell short of it is run
again). Prints each program's median and range over the rounds and the ratio of the medians;
the X server's own work is in neither.

The same runs give the start: the time from launching a program to its first frame shown (each
says so on its error output), and its resident memory at the start of the measured window."""
import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "support"))
from proc_cpu import cpu_seconds  # noqa: E402

FRAMES = re.compile(r"(\d+) frames")
PACE = 60  # frames a second, the pace both programs keep


def free_display():
    for n in range(120, 200):
        if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return n
    raise RuntimeError("no free X display number between :120 and :199")


class ShortOfPace(RuntimeError):
    """A run that fell short of the pace (a machine busy with other work): its round is run again."""


def resident_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    raise RuntimeError(f"no resident size for process {pid}")


def hold_keys(env, stop, every=1.0):
    """Holds Down and Up in turn, each `every` seconds, until stop is set; none is left held. On
    the shipped map person 1 starts with a wall above and open ground below for about a second
    and a half: it walks down and back, never stopped."""
    keys = ("Down", "Up")
    turn = 0
    while not stop.is_set():
        key = keys[turn % 2]
        subprocess.run(["xdotool", "keydown", key], env=env, check=False)
        stop.wait(every)
        subprocess.run(["xdotool", "keyup", key], env=env, check=False)
        turn += 1


def per_frame(args, warm_up, window, env, walk=False):
    """Milliseconds of processor time per frame shown, over `window` seconds after `warm_up`;
    seconds from launch to the first frame shown; resident MiB after `warm_up`. walk: the arrow
    keys held from a second before the measured window to its end."""
    started = time.monotonic()
    proc = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    lines, first_frame = [], []

    def read_errors():
        for line in proc.stderr:
            if not first_frame and "first frame shown" in line:
                first_frame.append(time.monotonic() - started)
            lines.append(line)

    reader = threading.Thread(target=read_errors)
    reader.start()
    stop, walker = threading.Event(), None
    if walk:
        time.sleep(max(0.0, warm_up - 1.0))
        walker = threading.Thread(target=hold_keys, args=(env, stop))
        walker.start()
        time.sleep(min(1.0, warm_up))
    else:
        time.sleep(warm_up)
    cpu0, t0 = cpu_seconds(proc.pid), time.monotonic()
    resident = resident_mib(proc.pid)
    time.sleep(window)
    cpu1, t1 = cpu_seconds(proc.pid), time.monotonic()
    if walker:
        stop.set()
        walker.join()
    proc.send_signal(signal.SIGTERM)
    _, status, _ = os.wait4(proc.pid, 0)
    reader.join()
    err = "".join(lines)
    proc.returncode = os.waitstatus_to_exitcode(status)
    found = FRAMES.findall(err)
    if proc.returncode != 0 or not found or not first_frame:
        raise RuntimeError(f"{args[0]} ended with {proc.returncode} and said: {err.strip()}")
    # Start-up shows no frames, so the whole run's rate is a little under the pace it kept.
    if int(found[0]) < 0.9 * PACE * (time.monotonic() - started - first_frame[0]):
        raise ShortOfPace(f"{args[0]} showed {found[0]} frames: it did not keep {PACE} a second")
    return (cpu1 - cpu0) * 1000.0 / (PACE * (t1 - t0)), first_frame[0], resident


def summary(values, unit="ms"):
    return f"{statistics.median(values):.3f} {unit} (range {min(values):.3f} .. {max(values):.3f})"


def compare(title, ours, least, unit):
    ratios = [a / b for a, b in zip(ours, least)]
    print(title)
    print(f"  game     {summary(ours, unit)}")
    print(f"  minimal  {summary(least, unit)}")
    print(f"  game / minimal {statistics.median(ours) / statistics.median(least):.2f} "
          f"(per round {min(ratios):.2f} .. {max(ratios):.2f})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "..", "build"))
    parser.add_argument("--high-res", action="store_true", help="800 x 600 instead of 640 x 480")
    parser.add_argument("--full-screen", metavar="WxH", help="both in full screen on a screen of this size")
    parser.add_argument("--walk", action="store_true", help="person 1 walks through the measured window")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--warm-up", type=float, default=2.0, help="seconds before the measurement")
    parser.add_argument("--window", type=float, default=5.0, help="seconds measured")
    parser.add_argument("game_args", nargs="*", help="more switches for the game (after --)")
    o = parser.parse_args()
    game = os.path.join(o.build, "app", "corvina")
    minimal = os.path.join(o.build, "bench", "corvina-minimal-present")
    for program in (game, minimal):
        if not os.access(program, os.X_OK):
            sys.exit(f"present_cpu.py: {program} is not built")
    needed = ["Xvfb"] + (["openbox", "xprop"] if o.full_screen else []) + (["xdotool"] if o.walk else [])
    if any(shutil.which(tool) is None for tool in needed):
        sys.exit(f"present_cpu.py: needs {', '.join(needed)} (scripts/install-deps.sh --e2e)")
    width, height = (800, 600) if o.high_res else (640, 480)
    screen = "1280x1024"
    if o.full_screen:
        if not re.fullmatch(r"\d+x\d+", o.full_screen):
            sys.exit(f"present_cpu.py: --full-screen wants WIDTHxHEIGHT, not {o.full_screen!r}")
        screen = o.full_screen
        width, height = (int(n) for n in screen.split("x"))
    display = free_display()
    server = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", f"{screen}x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window_manager = None
    # A map and settings of its own: another game on this account holds the usual map, and the
    # account's choices (sound, scale) would change what is measured.
    data = tempfile.mkdtemp(prefix="present_cpu-")
    env = dict(os.environ, DISPLAY=f":{display}", CORVINA_NO_DIALOG="1", XDG_DATA_HOME=data,
               XDG_CONFIG_HOME=data)
    env.pop("WAYLAND_DISPLAY", None)
    try:
        time.sleep(1.0)
        if o.full_screen:
            # Full screen is the window manager's to give: openbox binding no keys of its own.
            config = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e",
                                  "openbox-rc.xml")
            window_manager = subprocess.Popen(["openbox", "--config-file", config], env=env,
                                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(150):
                r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env, capture_output=True,
                                   text=True)
                if "window id" in r.stdout:
                    break
                time.sleep(0.1)
            else:
                raise RuntimeError("openbox did not start")
        game_args = [game, "--fullscreen" if o.full_screen else "--windowed", "--verbose", "--no-dialog"]
        game_args += (["--high-res"] if o.high_res else []) + o.game_args
        least_args = [minimal, str(width), str(height)] + (["fullscreen"] if o.full_screen else [])
        ours, least = [], []
        round_, tries = 0, 0
        while round_ < o.rounds:
            tries += 1
            try:
                game_run = per_frame(game_args, o.warm_up, o.window, env, o.walk)
                least_run = per_frame(least_args, o.warm_up, o.window, env, o.walk)
            except ShortOfPace as e:
                if tries >= 3 * o.rounds:
                    raise
                print(f"round {round_ + 1} run again: {e}", flush=True)
                continue
            ours.append(game_run)
            least.append(least_run)
            round_ += 1
            print(f"round {round_}: game {ours[-1][0]:.3f} ms, {ours[-1][1]:.3f} s, {ours[-1][2]:.1f} MiB; "
                  f"minimal {least[-1][0]:.3f} ms, {least[-1][1]:.3f} s, {least[-1][2]:.1f} MiB", flush=True)
        case = f"{'full screen ' if o.full_screen else ''}{width} x {height}{', walking' if o.walk else ''}"
        for i, (title, unit) in enumerate([(f"CPU per frame, {case}", "ms"),
                                           ("Launch to the first frame shown", "s"),
                                           ("Resident memory", "MiB")]):
            compare(f"{title}, {o.rounds} rounds:", [r[i] for r in ours], [r[i] for r in least], unit)
    finally:
        if window_manager:
            window_manager.terminate()
            window_manager.wait()
        server.terminate()
        server.wait()
        shutil.rmtree(data, ignore_errors=True)


if __name__ == "__main__":
    main()
