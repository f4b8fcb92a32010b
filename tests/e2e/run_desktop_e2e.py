#!/usr/bin/env python3
"""End-to-end test of the program on a desktop that is not 4:3 (1280 x 800, under a window
manager): full screen filling the height, the pointer held in the picture, a window that fits
the screen and follows resizing, Alt+Enter both ways, Print Screen, pause, help, the overlay
key and the pace. Exit 0 passed, 1 failed, 77 skipped."""

import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_e2e import Report, cpu_seconds  # noqa: E402  (and the support folder on the path)
from proc_cpu import waiting_seconds  # noqa: E402
from xsession import desktop_arguments, XSession, wait_until  # noqa: E402

SKIP = 77
SCREEN_W, SCREEN_H = 1280, 800
BACK_W, BACK_H = 640, 480
# The picture filling the height: 800 * 4 / 3 = 1066 wide, centred.
FULL = ((SCREEN_W - 1066) // 2, 0, 1066, SCREEN_H)
PANEL = (220, 200, 420, 280)  # the pause panel's neighbourhood, back-buffer pixels


def magick(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True)


def mean_difference(a_png, b_png, mask=None):
    """Mean absolute difference of two 640 x 480 pictures, 0..1, with mask blacked out."""
    draw = ["-fill", "black", "-draw", "rectangle {} {} {} {}".format(*mask)] if mask else []
    def rgb(png):
        return subprocess.run(["convert", png, "-resize", f"{BACK_W}x{BACK_H}!", *draw, "-depth", "8", "rgb:-"],
                              check=True, capture_output=True).stdout
    pa, pb = rgb(a_png), rgb(b_png)
    return sum(abs(x - y) for x, y in zip(pa, pb)) / (255.0 * max(len(pa), 1))


def dark_fraction(pic):
    return sum(1 for p in pic.pixels if p == 0) / len(pic.pixels)


def crop_png(xs, name, rect):
    png = os.path.join(xs.out_dir, name + ".png")
    out = os.path.join(xs.out_dir, name + "-picture.png")
    subprocess.run(["import", "-window", "root", png], env=xs.env, check=True, capture_output=True)
    left, top, width, height = rect
    magick("convert", png, "-crop", f"{width}x{height}+{left}+{top}", "+repage", out)
    return out


class Program:
    def __init__(self, xs, argv, name, env=None):
        self.xs = xs
        self.log = open(os.path.join(xs.out_dir, f"desktop-{name}.txt"), "w+")
        self.proc, self.wid = xs.start_program(argv, xs.out_dir, dict(xs.env, **(env or {})), self.log)
        full = "--fullscreen" in argv
        self.geometry = xs.settled_geometry(self.wid, (SCREEN_W, SCREEN_H) if full else None)
        x, y, w, h = FULL if full else self.geometry
        wait_until(lambda: xs.screenshot("desktop-start", (x, y, w, h)), lambda pic: dark_fraction(pic) < 0.5, 15)

    def key(self, key):
        self.xs.xdo("key", key)

    def said(self):
        self.log.flush()
        with open(self.log.name, errors="replace") as f:
            return f.read()

    def stop(self):
        if self.proc.poll() is None and self.xs.end_with_key(self.proc, timeout=5)[0] is None:
            self.proc.kill()
            self.proc.wait()
        self.log.close()


def shown_alike(xs, name, unlike, timeout=10):
    """The picture once it differs from unlike and two in a row are alike: a panel shown and the
    frames held."""
    taken = [crop_png(xs, f"{name}-0", FULL)]

    def sample():
        taken.append(crop_png(xs, f"{name}-{len(taken) % 2}", FULL))
        return mean_difference(taken[-2], taken[-1]) < 0.002 and mean_difference(unlike, taken[-1]) > 0.005
    wait_until(sample, bool, timeout)
    return taken[-1]


def full_screen(xs, program, report, shots):
    p = Program(xs, [program, "--no-dialog", "--fullscreen"], "full", {"XDG_DATA_HOME": shots})
    try:
        xs.move(SCREEN_W // 2, SCREEN_H // 2)
        screen = xs.screenshot("desktop-01-full")
        left, _, width, _ = FULL
        # Where the picture lies is checked against the screenshot below; here, the bars.
        bars = [screen.at(x, y) for y in range(0, SCREEN_H, 9) for x in list(range(0, left - 1, 5)) +
                list(range(left + width + 1, SCREEN_W, 5))]
        report.check("full screen: bars only at the sides, and dark", not any(bars),
                     f"{sum(1 for b in bars if b)} lit bar pixels of {len(bars)}")

        # Relative motion toward a bar stops at the picture's edge.
        xs.xdo("mousemove_relative", "--", "-900", "0")
        # The program takes a pointer that left the picture back to its edge.
        x = wait_until(lambda: int(re.search(r"x:(\d+)", xs.xdo("getmouselocation")).group(1)), lambda x: x >= left, 5)
        report.check("full screen: the pointer stays in the picture", x >= left, f"pointer at x {x}, picture from {left}")
        xs.move(SCREEN_W // 2, SCREEN_H // 2)

        # Pause: frames stop (two pictures a while apart are equal) and the panel shows.
        running = crop_png(xs, "desktop-02-running", FULL)
        p.key("Pause")
        paused = shown_alike(xs, "desktop-02-paused", running)
        time.sleep(0.6)  # the span over which nothing may change
        still = crop_png(xs, "desktop-03-still-paused", FULL)
        report.check("Pause holds the frames", mean_difference(paused, still) < 0.002,
                     f"difference {mean_difference(paused, still):.4f} over 0.6 s")
        # Print Screen while paused: the game's own picture, without the panel.
        p.key("Print")
        folder = os.path.join(shots, "corvina", "screenshots")
        # The program names the file once it is whole (until then a hidden temporary file).
        wait_until(lambda: "screenshot saved: " + folder in p.said(), bool, 10)
        files = sorted(n for n in os.listdir(folder) if not n.startswith(".")) if os.path.isdir(folder) else []
        if files:
            saved = os.path.join(shots, "corvina", "screenshots", files[-1])
            size = magick("identify", "-format", "%wx%h", saved).stdout
            diff = mean_difference(saved, paused, PANEL)
            report.check("Print Screen saves the picture shown, which fills the screen's height",
                         size == "640x480" and diff < 0.04,
                         f"{saved}: {size}, difference from the screen {diff:.4f}; said: "
                         f"{'yes' if saved in p.said() else 'no'}")
            report.check("the screenshot has no pause panel", mean_difference(saved, paused) > mean_difference(
                saved, paused, PANEL), "the panel is only on the screen")
        else:
            report.check("Print Screen saves the picture shown, at its own size", False, "no file written")
        p.key("F1")
        helped = wait_until(lambda: crop_png(xs, "desktop-04-help", FULL), lambda png: mean_difference(png, paused) > 0.01,
                            10)
        report.check("F1 shows the key help", mean_difference(helped, paused) > 0.01,
                     f"difference from the pause picture {mean_difference(helped, paused):.4f}")
        p.key("F1")
        running = wait_until(lambda: crop_png(xs, "desktop-05-running", FULL),
                             lambda png: mean_difference(png, helped) > 0.01, 10)
        xs.hold_key("Right", 0.6)
        later = wait_until(lambda: crop_png(xs, "desktop-06-walked", FULL),
                           lambda png: mean_difference(running, png) > 0.01, 10)
        report.check("F1 again resumes the game (a held arrow walks)", mean_difference(running, later) > 0.01,
                     f"difference {mean_difference(running, later):.4f}")

        overlay = (0, 0, 200, 64)
        before = xs.screenshot("desktop-07-overlay", (left, 0, 400, 130))
        white = lambda pic: sum(1 for q in pic.pixels if q == 0xFFFF)  # noqa: E731
        p.key("F3")
        after = wait_until(lambda: xs.screenshot("desktop-08-no-overlay", (left, 0, 400, 130)),
                           lambda pic: white(pic) < white(before) // 4, 10)
        report.check("F3 hides the frame-rate overlay", white(before) > 50 and white(after) < white(before) // 4,
                     f"white text pixels {white(before)} -> {white(after)} in {overlay}")

        # Alt+Enter: to a window and back, the game going on.
        p.key("alt+Return")
        geometry = wait_until(lambda: xs.window_geometry(p.wid), lambda g: g[2] < SCREEN_W and g[3] < SCREEN_H, 10)
        report.check("Alt+Enter leaves full screen", geometry[2] < SCREEN_W and geometry[3] < SCREEN_H,
                     f"window {geometry}")
        p.key("alt+Return")
        geometry = wait_until(lambda: xs.window_geometry(p.wid), lambda g: g[2:] == (SCREEN_W, SCREEN_H), 10)
        report.check("Alt+Enter again fills the screen", geometry[2:] == (SCREEN_W, SCREEN_H), f"window {geometry}")
        report.check("full screen: still running after both switches", p.proc.poll() is None, "running")
    finally:
        p.stop()


def window(xs, program, report):
    p = Program(xs, [program, "--no-dialog", "--windowed", "--scale", "3"], "window")
    try:
        x, y, w, h = p.geometry
        report.check("--scale 3 is cut to what the screen holds", w <= SCREEN_W and h <= SCREEN_H and y >= 0 and
                     "does not fit" in p.said(), f"window {w} x {h} at ({x}, {y}); said: {p.said().strip()[:120]}")
        xs.xdo("windowsize", p.wid, 1000, 600)
        x, y, w, h = xs.settled_geometry(p.wid, (1000, 600))
        # 1000 x 600 holds the picture at 800 x 600, with 100-pixel bars left and right.
        # Clear of the window's own border.
        bars = lambda shot: [shot.at(c, r) for r in range(4, h - 4, 7)  # noqa: E731
                             for c in list(range(4, 96, 5)) + list(range(w - 96, w - 4, 5))]
        inside = lambda shot: sum(1 for r in range(0, h, 7) for c in range(110, w - 110, 7) if shot.at(c, r))  # noqa: E731
        # The program draws again into the resized window.
        shot = wait_until(lambda: xs.screenshot("desktop-09-resized", (x, y, w, h)),
                          lambda shot: not any(bars(shot)) and inside(shot) > 500, 10)
        bars, inside = bars(shot), inside(shot)
        report.check("a resized window scales the picture into it", (w, h) == (1000, 600) and not any(bars) and inside > 500,
                     f"window {w} x {h}; lit bar pixels {sum(1 for b in bars if b)}; lit picture samples {inside}")
    finally:
        p.stop()


def pace(xs, program, report):
    log = open(os.path.join(xs.out_dir, "desktop-pace.txt"), "w+")
    launched = time.monotonic()
    proc, wid = xs.start_program([program, "--no-dialog", "--fullscreen", "--verbose"], xs.out_dir, xs.env, log)
    # Measured once the start is over: the window in its place and the village shown.
    xs.settled_geometry(wid, (SCREEN_W, SCREEN_H))
    wait_until(lambda: xs.screenshot("desktop-pace", FULL), lambda pic: dark_fraction(pic) < 0.5, 15)
    start_cpu, start = cpu_seconds(proc.pid), time.monotonic()
    time.sleep(5.0)  # the span measured
    used = (cpu_seconds(proc.pid) - start_cpu) / (time.monotonic() - start)
    # A machine too busy to give the program the processor when a frame is due shows in the time
    # it waited: then a slow pace is the machine's, not the pacer's.
    starved = waiting_seconds(proc.pid) / (time.monotonic() - launched)
    if xs.end_with_key(proc)[0] is None:
        proc.kill()
        proc.wait()
    log.flush()
    with open(log.name) as f:
        said = f.read()
    m = re.search(r"(\d+) frames in ([\d.]+) s, ([\d.]+) frames a second", said)
    rate = float(m.group(3)) if m else 0.0
    report.check("the pace holds 60 frames a second without vertical sync",
                 57 <= rate <= 63 or (0 < rate < 57 and starved > 0.05),
                 f"{m.group(0) if m else said.strip()[:120]}; waited for the processor {starved:.0%} of the time")
    report.check("and uses under a third of a core", used < 1 / 3, f"{used:.0%} of a core")


def main():
    args = desktop_arguments(__doc__, "desktop", ("openbox", "xprop"))
    if args is None:
        return SKIP
    report = Report()
    with tempfile.TemporaryDirectory() as shots:
        report.each_in_a_session((("full screen", lambda xs: full_screen(xs, args.program, report, shots)),
                                  ("window", lambda xs: window(xs, args.program, report)),
                                  ("pace", lambda xs: pace(xs, args.program, report))),
                                 lambda: XSession(SCREEN_W, SCREEN_H, args.out, window_manager=True))
    return report.status(f"screenshots in {args.out}")


if __name__ == "__main__":
    sys.exit(main())
