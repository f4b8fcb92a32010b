#!/usr/bin/env python3
"""End-to-end test: the real corvina program under a virtual X server, driven by xdotool,
checked on screenshots, windowed and full screen. Exit 0 passed, 1 failed, 77 skipped."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import picture_checks as pc  # noqa: E402
from proc_cpu import cpu_seconds  # noqa: E402,F401  (run_desktop_e2e takes it from here too)
from xsession import desktop_arguments, XSession, missing_tools, wait_for, wait_until  # noqa: E402

SKIP = 77
BACK_W, BACK_H = 640, 480
OVERLAY = (0, 0, 200, 64)        # the frame-rate text, top left
CENTRE_PERSON = (280, 160, 380, 300)  # where the followed person stands
FOLLOWED = (330, 244)                 # the followed person's feet, back-buffer pixels


class Report:
    def __init__(self):
        self.rows = []

    def check(self, name, ok, detail):
        self.rows.append((name, bool(ok), detail))
        print(f"  [{'ok' if ok else 'FAIL'}] {name}: {detail}", flush=True)
        return ok

    def failed(self):
        return [r for r in self.rows if not r[1]]

    def each_in_a_session(self, steps, open_session):
        """Runs each (name, step) on an X session of its own, made by open_session(); a step
        that breaks is a failed check with its reason."""
        for name, step in steps:
            print(f"{name}:", flush=True)
            xs = open_session()
            try:
                step(xs)
            except Exception as e:  # a harness failure is a test failure with its reason
                self.check(f"{name} run", False, f"{type(e).__name__}: {e}")
            finally:
                xs.close()

    def status(self, where):
        """Prints the tally; the exit status: 0 when every check passed."""
        failed = self.failed()
        print(f"{len(self.rows) - len(failed)} of {len(self.rows)} checks passed; {where}")
        return 1 if failed else 0


def desktop_main(description, test_name, tools, cases, where):
    """The whole of a desktop check under openbox as installed: its switches, then each
    (width, height, name, step) of cases(program, report) on a screen of that size of its own;
    the exit status, 77 when skipped. where names what the logs in --out hold."""
    args = desktop_arguments(description, test_name, tools)
    if args is None:
        return SKIP
    report = Report()
    for w, h, name, step in cases(args.program, report):
        report.each_in_a_session(((name, step),),
                                 lambda w=w, h=h: XSession(w, h, args.out, window_manager="default"))
    return report.status(f"{where} in {args.out}")


def letterbox(out_w, out_h):
    scale = min(out_w // BACK_W, out_h // BACK_H)
    return scale, (out_w - BACK_W * scale) // 2, (out_h - BACK_H * scale) // 2


class Run:
    """One run of the program in one mode."""

    def __init__(self, xs, mode, argv, cwd, out_dir):
        self.xs = xs
        self.mode = mode
        self.stderr = open(os.path.join(out_dir, f"{mode}-stderr.txt"), "w")
        self.proc, self.wid = xs.start_program(argv, cwd, xs.env, self.stderr)
        x, y, w, h = xs.settled_geometry(self.wid, (xs.width, xs.height) if mode == "fullscreen" else None)
        self.scale, bx, by = letterbox(w, h)
        self.origin = (x + bx, y + by)
        self.rect = (x + bx, y + by, BACK_W * self.scale, BACK_H * self.scale)
        self.shots = 0
        self.settle("shown", lambda pic: pc.drawn_fraction(pic) > 0.3)

    def screen(self, bx, by):
        """A back-buffer pixel's centre on the screen."""
        s = self.scale
        return self.origin[0] + bx * s + s // 2, self.origin[1] + by * s + s // 2

    def move(self, bx, by):
        self.xs.move(*self.screen(bx, by))

    def shot(self, name, full=None):
        self.shots += 1
        pic = self.xs.screenshot(f"{self.mode}-{self.shots:02d}-{name}", self.rect)
        if full is not None:
            full.append(pic)
        return pic.crop(0, 0, BACK_W, BACK_H, self.scale)

    def settle(self, name, ok=lambda pic: True, timeout=15):
        """The picture once ok holds of it and the view has come to rest."""
        return pc.settled(lambda: self.shot(name), ok, exclude=[OVERLAY, CENTRE_PERSON], timeout=timeout)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.stderr.close()


def check_window_icon(run, report):
    """The window manager is handed the program's own icon, not an empty one."""
    r = subprocess.run(["xprop", "-id", run.wid, "_NET_WM_ICON"], env=run.xs.env, capture_output=True, text=True)
    said = (r.stdout or r.stderr).strip().splitlines()
    report.check("the window carries the program's 64 x 64 icon", "Icon (64 x 64)" in r.stdout,
                 said[0][:100] if said else "xprop said nothing")


def check_no_opengl_loaded(run, report):
    """The virtual X server offers no direct rendering, so OpenGL could only draw on the
    processor: the window's own surface is chosen without OpenGL ever being loaded to ask."""
    with open(f"/proc/{run.proc.pid}/maps") as f:
        libraries = {line.split()[-1] for line in f if line.rstrip().endswith(".so") or ".so." in line}
    gl = sorted(os.path.basename(path) for path in libraries
                if re.search(r"lib(GL|EGL|GLX|GLdispatch|LLVM|gallium)\b|_dri\.so", os.path.basename(path)))
    report.check("no OpenGL loaded without a GPU", not gl, ", ".join(gl) or "none")


def check_picture_geometry(run, report, pic_scaled):
    if run.mode == "windowed":
        return report.check("window size", run.rect[2:] == (BACK_W, BACK_H) and run.scale == 1,
                            f"client picture {run.rect[2]}x{run.rect[3]} at scale {run.scale}")
    full = run.xs.screenshot(f"{run.mode}-screen")
    left, top, w, h = run.rect
    bars = [full.at(x, y) for y in list(range(0, top)) + list(range(top + h, full.height))
            for x in range(0, full.width, 7)]
    bars += [full.at(x, y) for y in range(top, top + h, 7)
             for x in list(range(0, left)) + list(range(left + w, full.width))]
    report.check("black bars", all(p == 0 for p in bars),
                 f"scale {run.scale}, picture at ({left}, {top}), {len(bars)} bar pixels sampled")
    s = run.scale
    blocks = [(x, y) for y in range(0, BACK_H, 3) for x in range(0, BACK_W, 3)]
    uniform = sum(1 for x, y in blocks
                  if full.at(left + x * s, top + y * s) == full.at(left + x * s + s - 1, top + y * s + s - 1))
    report.check("whole-factor nearest-neighbour scaling", s >= 2 and uniform / len(blocks) > 0.995,
                 f"{uniform}/{len(blocks)} blocks of {s}x{s} uniform")


def scenario(run, report, click_offset):
    a = run.shot("start")
    frac, colours = pc.drawn_fraction(a), pc.colour_count(a)
    report.check("village drawn", frac > 0.3 and colours > 100,
                 f"{frac:.0%} of the picture drawn, {colours} colours (5-6-5)")
    check_picture_geometry(run, report, a)

    run.move(BACK_W // 2, BACK_H // 2 + 60)
    a = run.settle("before-walk")
    run.xs.hold_key("Up", 0.25)
    b = run.settle("after-walk", lambda pic: view_moved(a, pic))
    dx, dy, score = pc.estimate_shift(a, b, (40, 70, 600, 440), 400, 200, [OVERLAY, CENTRE_PERSON])
    report.check("held Up arrow: person 1 walks up, the view follows", dy >= 28 and abs(dx) <= 30 and score > 0.5,
                 f"scene moved ({dx:+d}, {dy:+d}) px, {score:.0%} of pixels match")

    run.xs.hold_key("Insert", 0.2)
    c = run.settle("after-insert", lambda pic: view_moved(b, pic))
    dx, dy, score = pc.estimate_shift(b, c, (40, 70, 600, 440), 600, 300, [OVERLAY, CENTRE_PERSON])
    report.check("Insert: the camera moves to person 2", abs(dx) + abs(dy) >= 60 and score > 0.4,
                 f"scene moved ({dx:+d}, {dy:+d}) px, {score:.0%} of pixels match")

    # Select the person in the middle (person 2 now) and send it to a cell nearby.
    run.xs.drag(run.screen(250, 150), run.screen(410, 320))
    time.sleep(run.xs.HAND)
    target = (FOLLOWED[0] + click_offset[0], FOLLOWED[1] + click_offset[1])
    run.xs.right_click(*run.screen(*target))
    run.move(BACK_W // 2, BACK_H // 2 + 60)
    d = run.settle("after-order", lambda pic: view_moved(c, pic), timeout=20)
    dx, dy, score = pc.estimate_shift(c, d, (40, 70, 600, 440), 400, 200, [OVERLAY, CENTRE_PERSON])
    want = (-click_offset[0], -click_offset[1])
    near = abs(dx - want[0]) <= 45 and abs(dy - want[1]) <= 45
    report.check("drag and right click: person 2 walks to the clicked cell", near and score > 0.4,
                 f"scene moved ({dx:+d}, {dy:+d}) px, expected about ({want[0]:+d}, {want[1]:+d}); "
                 f"{score:.0%} match")

    # The other persons wander and may stand on the spot or cross it between two pictures: a
    # passer-by does not come back on every try, at another cell each time; a cell that is
    # painted wrongly does.
    paint_cells = [(BACK_W // 2 - 90, BACK_H // 2 + 40), (BACK_W // 2 - 150, BACK_H // 2 + 10),
                   (BACK_W // 2 + 30, BACK_H // 2 + 100)]
    for attempt, paint_at in enumerate(paint_cells, start=1):
        run.move(*paint_at)
        # Inside the cell's diamond, left of the pointer tip and clear of the pointer picture.
        spot = (paint_at[0] - 44, paint_at[1] - 4, paint_at[0] - 16, paint_at[1] + 3)
        looks = [run.settle("before-paint")]
        # Each key shows as the spot changing, and the second 1 as the first 1 again; the first
        # may find the cell painted so already, and then its shorter wait runs out.
        for key, like, timeout in (("1", None, 3), ("4", None, 10), ("1", 1, 10)):
            run.xs.hold_key(key, 0.3)
            if like is None:
                ok = lambda pic, before=looks[-1]: pc.changed_fraction(before, pic, spot) > 0.3  # noqa: E731
            else:
                ok = lambda pic, first=looks[like]: pc.changed_fraction(first, pic, spot) < 0.1  # noqa: E731
            looks.append(wait_until(lambda: run.shot(f"paint-{key}"), ok, timeout))
        looks = looks[1:]
        first_vs_second = pc.changed_fraction(looks[0], looks[1], spot)
        first_vs_third = pc.changed_fraction(looks[0], looks[2], spot)
        if first_vs_second > 0.3 and first_vs_third < 0.1:
            break
    report.check("number keys repaint the cell under the pointer", first_vs_second > 0.3 and first_vs_third < 0.1,
                 f"'1' then '4' changed {first_vs_second:.0%} of the spot; '1' again left "
                 f"{first_vs_third:.0%} different from the first (try {attempt})")

    if run.mode == "windowed":
        check_edge_scroll_outside(run, report)
    else:
        check_minimize_and_restore(run, report)

    status, elapsed = run.xs.end_with_key(run.proc, timeout=5)
    report.check("F12 ends the program with status 0 within 2 s", status == 0 and elapsed <= 2.0,
                 f"status {status} after {elapsed:.2f} s")


def check_edge_scroll_outside(run, report):
    """A pointer beyond the window's left side still scrolls the view (the scene moves right)."""
    # Clear of the overlay text, which is drawn pixels too.
    area = lambda pic: pic.crop(0, 70, BACK_W, BACK_H - 70)
    before = pc.drawn_centre_x(area(run.shot("before-edge")))
    # The pointer rests outside this long: the view scrolls meanwhile.
    run.xs.touch((run.origin[0] - 60, run.origin[1] + BACK_H // 2), 0.15, run.screen(BACK_W // 2, BACK_H // 2 + 60))
    after = pc.drawn_centre_x(area(run.settle("after-edge", lambda pic: pc.drawn_centre_x(area(pic)) != before)))
    moved = None if before is None or after is None else after - before
    report.check("pointer left of the window scrolls the view", moved is not None and moved > 30,
                 f"drawn scene's centre moved {moved if moved is None else f'{moved:+.0f}'} px")


def view_moved(before, pic):
    """Whether the view left where before shows it (most pictures of the scene differ)."""
    return pc.matching_share(before, pic, (40, 70, 600, 440), [OVERLAY, CENTRE_PERSON]) < 0.9


def cpu_steady(pid, span=0.2):
    """Whether the process used almost no processor over span seconds."""
    start = cpu_seconds(pid)
    time.sleep(span)
    return cpu_seconds(pid) - start < 0.01


def check_minimize_and_restore(run, report):
    """Minimized, the pump is detached and the program waits without using the processor;
    activated again, frames run (paced, so a little processor) and the village is drawn again."""
    run.xs.xdo("windowminimize", run.wid)
    wait_for(lambda: run.xs.minimized(run.wid), 10, "minimized window")
    # The program hears of it a moment later: its processor time comes to rest.
    wait_until(lambda: cpu_steady(run.proc.pid), bool, 5)
    start = cpu_seconds(run.proc.pid)
    time.sleep(1.5)  # the span measured
    idle = cpu_seconds(run.proc.pid) - start
    run.xs.xdo("windowactivate", run.wid)
    wait_for(lambda: not run.xs.minimized(run.wid), 10, "restored window")
    frac = pc.drawn_fraction(run.settle("restored", lambda pic: pc.drawn_fraction(pic) > 0.3))
    start = cpu_seconds(run.proc.pid)
    time.sleep(1.0)  # the span measured
    busy = cpu_seconds(run.proc.pid) - start
    report.check("minimized: no frames and no processor used; restored: frames again",
                 idle < 0.1 and busy > max(0.003, 3 * idle) and frac > 0.3,
                 f"{idle:.4f} s of processor in 1.5 s minimized, {busy:.4f} s in 1 s restored, "
                 f"{frac:.0%} drawn after the restore")


def check_program_without_display(program, report, out_dir):
    """Early exits of the command line, and a display that cannot be opened."""
    def run(*args, env=None):
        return subprocess.run([program, *args], capture_output=True, text=True, timeout=30, env=env)

    r = run("--bogus")
    report.check("unknown option exits 2 with a hint", r.returncode == 2 and "--help" in r.stderr,
                 f"status {r.returncode}, stderr {r.stderr.strip()[:80]!r}")
    r = run("--help")
    report.check("--help exits 0 with the usage", r.returncode == 0 and "--windowed" in r.stdout,
                 f"status {r.returncode}")
    r = run("--version")
    report.check("--version exits 0", r.returncode == 0 and r.stdout.startswith("corvina "),
                 f"status {r.returncode}, {r.stdout.strip()!r}")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    # Its own data folder: the user's map may be in use by a Corvina running meanwhile.
    env.update(SDL_VIDEODRIVER="x11", CORVINA_NO_DIALOG="1", XDG_DATA_HOME=os.path.join(out_dir, "data-no-display"))
    start = time.monotonic()
    r = run("--windowed", env=env)
    report.check("no display: the set-up message and status 1, at once",
                 r.returncode == 1 and "DirectDraw 객체 생성 실패" in r.stderr,
                 f"status {r.returncode} after {time.monotonic() - start:.2f} s, "
                 f"stderr {r.stderr.strip().splitlines()[-1:] }")


def prepare_files(args, out_dir):
    """Without embedded data: the program beside generated data files, run with --use-files."""
    work = os.path.join(out_dir, "files")
    os.makedirs(work, exist_ok=True)
    subprocess.run([args.mkassets, work], check=True, capture_output=True)
    program = os.path.join(work, "corvina")
    shutil.copy2(args.program, program)
    return program, work, ["--use-files"]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", required=True)
    parser.add_argument("--mkassets", help="data generator, used when the program carries no data")
    parser.add_argument("--embedded", type=int, default=1, help="1 when the program carries its data")
    parser.add_argument("--out", required=True, help="directory for screenshots and logs")
    parser.add_argument("--modes", default="windowed,fullscreen")
    parser.add_argument("--click", default="-120,42",
                        help="order target relative to the followed person's feet, pixels")
    args = parser.parse_args()

    modes = args.modes.split(",")
    missing = missing_tools(("xprop", "openbox") if "fullscreen" in modes else ("xprop",))
    if missing:
        print(f"SKIPPED: the end-to-end test needs {', '.join(missing)} (apt-get install xvfb xdotool "
              "imagemagick openbox)")
        return SKIP
    os.makedirs(args.out, exist_ok=True)
    program, cwd, extra = args.program, args.out, []
    if not args.embedded:
        if not args.mkassets:
            print("FAILED: the program carries no data and no --mkassets was given")
            return 1
        program, cwd, extra = prepare_files(args, args.out)
    click = tuple(int(v) for v in args.click.split(","))

    report = Report()
    print("without a display:", flush=True)
    check_program_without_display(program, report, args.out)
    for mode in modes:
        fullscreen = mode == "fullscreen"
        print(f"{mode}:", flush=True)
        xs = XSession(1280 if fullscreen else 1024, 1024 if fullscreen else 768, args.out,
                      window_manager=fullscreen)
        run = None
        try:
            argv = [program, "--no-dialog", "--fullscreen" if fullscreen else "--windowed", *extra]
            run = Run(xs, mode, argv, cwd, args.out)
            if not fullscreen:
                check_window_icon(run, report)
                check_no_opengl_loaded(run, report)
            scenario(run, report, click)
        except Exception as e:  # a harness failure is a test failure with its reason
            report.check(f"{mode} run", False, f"{type(e).__name__}: {e}")
        finally:
            if run:
                run.stop()
                with open(run.stderr.name) as f:
                    errors = f.read().strip()
                report.check(f"{mode}: nothing on standard error", errors == "", errors[:200] or "empty")
            xs.close()
    failed = report.failed()
    print(f"{len(report.rows) - len(failed)} of {len(report.rows)} checks passed; screenshots in {args.out}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
