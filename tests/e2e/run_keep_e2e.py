#!/usr/bin/env python3
"""Nothing lost, end to end: the real program under a virtual X server, driven by xdotool.
With --map: two cells raised, F2 (the "saved" notice shown, then gone), a third raised, SIGTERM:
the file holds all three edits and FILE.bak what F2 saved. With --record: a session holding a
key, sweeping a selection, ordering a walk and editing the map replays headless with --verify
(status 0), and on screen with --replay to the same end and the same last picture.
Exit 0 passed, 1 failed, 77 skipped."""

import argparse
import os
import re
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_e2e import Report  # noqa: E402
from picture_checks import changed_fraction, drawn_fraction, settled  # noqa: E402
from xsession import XSession, missing_tools, wait_until  # noqa: E402

SKIP = 77
BACK_W, BACK_H = 640, 480
CELLS = 100
NOTICE_ROWS = 24                              # the notice's strip at the foot of the picture
NOTICE_FILL = ((16 >> 3) << 11) | ((24 >> 2) << 5) | (40 >> 3)  # its background, 5-6-5
RAISED = [(250, 200), (400, 210), (330, 330)]  # back-buffer pixels over three different cells


def heights(path):
    with open(path, "rb") as f:
        data = f.read()
    return [data[i * 5 + 1] for i in range(CELLS * CELLS)]


def raised_cells(path, original):
    return {i for i, (a, b) in enumerate(zip(heights(path), original)) if a != b}


class Program:
    """The program in a window; back-buffer pixels placed on the screen."""

    def __init__(self, xs, argv, name):
        self.xs = xs
        self.log = open(os.path.join(xs.out_dir, f"keep-{name}.txt"), "w+")
        self.proc, wid = xs.start_program(argv, xs.out_dir, xs.env, self.log)
        self.x, self.y, _, _ = xs.settled_geometry(wid)
        wait_until(lambda: self.picture("keep-start"), lambda pic: drawn_fraction(pic) > 0.3, 15)

    def move(self, bx, by):
        self.xs.move(self.x + bx, self.y + by)
        time.sleep(self.xs.HAND)

    def key(self, key, hold=0.05):
        self.xs.hold_key(key, hold)
        time.sleep(self.xs.HAND)

    def picture(self, name):
        return self.xs.screenshot(name, (self.x, self.y, BACK_W, BACK_H))

    def raise_cell(self, bx, by, name):
        """Keypad + over the cell at (bx, by), waiting until the cell shows it (before a save or a
        signal that would otherwise come first)."""
        spot = (bx - 40, by - 40, bx + 40, by + 20)
        self.move(bx, by)
        before = settled(lambda: self.picture(f"{name}-before"), region=spot)
        self.key("KP_Add")
        wait_until(lambda: self.picture(f"{name}-raised"), lambda pic: changed_fraction(before, pic, spot) > 0.05, 10)

    def wait(self, timeout=30):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return None

    def said(self):
        self.log.flush()
        with open(self.log.name, errors="replace") as f:
            return f.read()


def notice_share(pic):
    strip = pic.pixels[(BACK_H - NOTICE_ROWS + 2) * BACK_W:]
    return sum(1 for p in strip if p == NOTICE_FILL) / len(strip)


def keep_map(xs, args, work, original, report):
    path = os.path.join(work, "my.dat")
    run = Program(xs, [args.program, "--windowed", "--no-dialog", "--map", path], "map")
    for i, (bx, by) in enumerate(RAISED[:2]):
        run.raise_cell(bx, by, f"keep-cell-{i}")
    run.key("F2")
    shown = notice_share(wait_until(lambda: run.picture("keep-notice"), lambda pic: notice_share(pic) > 0.5, 10))
    seen = time.monotonic()
    gone = notice_share(wait_until(lambda: run.picture("keep-notice-gone"), lambda pic: notice_share(pic) < 0.1, 10))
    report.check("F2: the notice is shown, then gone after two seconds", shown > 0.5 and gone < 0.1,
                 f"{shown:.0%} of the foot strip in the notice's colour, {gone:.0%} "
                 f"{time.monotonic() - seen:.1f} s later")
    run.raise_cell(*RAISED[2], "keep-cell-2")
    run.proc.send_signal(signal.SIGTERM)
    status = run.wait()
    said = run.said()
    report.check("SIGTERM ends the program in order", status == 0, f"status {status}; {said.strip()[-200:]}")
    report.check("the save and the end's save are told", said.count("corvina: map saved: " + path) == 2, said.strip())
    if not (os.path.exists(path) and os.path.exists(path + ".bak")):
        report.check("the map and its .bak are there", False, str(os.listdir(work)))
        return
    saved, kept = raised_cells(path, original), raised_cells(path + ".bak", original)
    report.check("the file holds all three edits", len(saved) == 3, f"cells raised: {sorted(saved)}")
    report.check("FILE.bak holds what F2 saved", len(kept) == 2 and kept < saved, f"cells raised: {sorted(kept)}")


def record_and_replay(xs, args, work, report):
    path = os.path.join(work, "session.txt")
    run = Program(xs, [args.program, "--windowed", "--no-dialog", "--record", path], "record")
    run.move(330, 260)
    run.key("Up", 0.6)                      # held: person 1 walks
    run.move(280, 170)
    xs.drag((run.x + 280, run.y + 170), (run.x + 390, run.y + 320))  # sweeps person 1
    time.sleep(xs.HAND)
    xs.right_click(run.x + 200, run.y + 300)  # sends it there
    run.move(420, 200)
    run.key("KP_Add")                        # an edit
    run.key("5", 0.2)
    status, _ = xs.end_with_key(run.proc, timeout=30)
    if status is None:
        run.wait(timeout=0)
    report.check("the recorded session ends", status == 0, f"status {status}; {run.said().strip()[-200:]}")
    with open(path) as f:
        recording = f.read()
    wanted = ["down VK_UP", "down VK_LBUTTON", "up VK_LBUTTON", "VK_RBUTTON", "VK_ADD", "down 5", "# end frame="]
    missing = [w for w in wanted if w not in recording]
    report.check("the recording holds the keys, the drag, the order and the edit", not missing,
                 f"{recording.count(chr(10))} lines; missing: {missing}")

    verify = subprocess.run([args.headless, "--verify", path], capture_output=True, text=True, timeout=120)
    report.check("corvina-headless --verify: status 0", verify.returncode == 0,
                 (verify.stdout + verify.stderr).strip())
    trace = subprocess.run([args.headless, "--script", path, "--trace", "--hash"], capture_output=True, text=True,
                           timeout=120)
    last = re.search(r'"frame_crc":"([0-9a-f]{8})"', trace.stdout.strip().splitlines()[-1] if trace.stdout else "")
    headless_picture = last.group(1) if last else None

    replay = Program(xs, [args.program, "--windowed", "--no-dialog", "--replay", path], "replay")
    status = replay.wait(timeout=120)
    said = replay.said()
    shown = re.search(r"the end is as recorded; last picture ([0-9a-f]{8})", said)
    report.check("--replay ends as recorded, status 0", status == 0 and shown is not None, said.strip()[-300:])
    report.check("--replay shows the same last frame as the headless replay",
                 shown is not None and shown.group(1) == headless_picture,
                 f"on screen {shown.group(1) if shown else None}, headless {headless_picture}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", required=True)
    parser.add_argument("--headless", required=True)
    parser.add_argument("--mkassets", required=True, help="makes the shipped map to compare with")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    missing = missing_tools()
    if missing:
        print(f"SKIPPED: the end-to-end test needs {', '.join(missing)}")
        return SKIP
    work = os.path.join(os.path.abspath(args.out), "work")
    os.makedirs(work, exist_ok=True)
    for name in os.listdir(work):
        os.remove(os.path.join(work, name))
    data = os.path.join(os.path.abspath(args.out), "data")
    subprocess.run([args.mkassets, data], check=True, capture_output=True)
    original = heights(os.path.join(data, "MAP.DAT"))

    report = Report()
    report.each_in_a_session((("map kept", lambda xs: keep_map(xs, args, work, original, report)),
                              ("record and replay", lambda xs: record_and_replay(xs, args, work, report))),
                             lambda: XSession(1024, 768, args.out))
    return report.status(f"files in {args.out}")


if __name__ == "__main__":
    sys.exit(main())
