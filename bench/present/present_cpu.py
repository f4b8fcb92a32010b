#!/usr/bin/env python3
"""CPU per frame of the game beside the least SDL program that shows a picture of the same size
at the same pace (corvina-minimal-present), both in a window of a virtual X server (Xvfb): no
GPU, so SDL's GL renderer would draw on a software rasterizer and the game picks the window's
own surface by itself.

  present_cpu.py [--build DIR] [--high-res] [--rounds N] [--short S] [--long L] [-- GAME ARGS]

Each round runs each program twice, for S and for L seconds, the programs in alternation. The
CPU time (user and system, as the kernel accounts the ended process) and the frames each run
reports give the CPU per frame with the start-up taken out: (cpu_L - cpu_S) / (frames_L -
frames_S). Prints each program's median and range over the rounds and the ratio of the medians;
the X server's own work is in neither."""
import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time

FRAMES = re.compile(r"(\d+) frames")


def free_display():
    for n in range(120, 200):
        if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"):
            return n
    raise RuntimeError("no free X display number between :120 and :199")


def run_for(args, seconds, env):
    """CPU seconds and frames shown by the program run for that long, then signalled to end."""
    proc = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    time.sleep(seconds)
    proc.send_signal(signal.SIGTERM)
    _, status, usage = os.wait4(proc.pid, 0)
    err = proc.stderr.read()
    proc.returncode = os.waitstatus_to_exitcode(status)
    found = FRAMES.findall(err)
    if proc.returncode != 0 or not found:
        raise RuntimeError(f"{args[0]} ended with {proc.returncode} and said: {err.strip()}")
    return usage.ru_utime + usage.ru_stime, int(found[0])


def per_frame(args, short, long, env):
    cpu_short, frames_short = run_for(args, short, env)
    cpu_long, frames_long = run_for(args, long, env)
    return (cpu_long - cpu_short) / (frames_long - frames_short) * 1000.0


def summary(values):
    return f"{statistics.median(values):.3f} ms (range {min(values):.3f} .. {max(values):.3f})"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "..", "build"))
    parser.add_argument("--high-res", action="store_true", help="800 x 600 instead of 640 x 480")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--short", type=float, default=2.0, help="seconds of the short runs")
    parser.add_argument("--long", type=float, default=6.0, help="seconds of the long runs")
    parser.add_argument("game_args", nargs="*", help="more switches for the game (after --)")
    o = parser.parse_args()
    game = os.path.join(o.build, "app", "corvina")
    minimal = os.path.join(o.build, "bench", "corvina-minimal-present")
    for program in (game, minimal):
        if not os.access(program, os.X_OK):
            sys.exit(f"present_cpu.py: {program} is not built")
    if shutil.which("Xvfb") is None:
        sys.exit("present_cpu.py: needs Xvfb (apt-get install xvfb)")
    width, height = (800, 600) if o.high_res else (640, 480)
    display = free_display()
    server = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(os.environ, DISPLAY=f":{display}", CORVINA_NO_DIALOG="1")
    env.pop("WAYLAND_DISPLAY", None)
    try:
        time.sleep(1.0)
        game_args = [game, "--windowed", "--verbose", "--no-dialog"] + (["--high-res"] if o.high_res else [])
        game_args += o.game_args
        ours, least = [], []
        for round_ in range(o.rounds):
            ours.append(per_frame(game_args, o.short, o.long, env))
            least.append(per_frame([minimal, str(width), str(height)], o.short, o.long, env))
            print(f"round {round_ + 1}: game {ours[-1]:.3f} ms, minimal {least[-1]:.3f} ms, "
                  f"ratio {ours[-1] / least[-1]:.2f}", flush=True)
        ratios = [a / b for a, b in zip(ours, least)]
        print(f"CPU per frame at {width} x {height}, {o.rounds} rounds:")
        print(f"  game     {summary(ours)}")
        print(f"  minimal  {summary(least)}")
        print(f"  game / minimal {statistics.median(ours) / statistics.median(least):.2f} "
              f"(per round {min(ratios):.2f} .. {max(ratios):.2f})")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
