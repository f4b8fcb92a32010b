#!/usr/bin/env python3
"""End-to-end test of the footsteps: the real corvina program under a virtual X server with
SDL's disk audio driver, person 1 walked by a held key and by mouse orders left and right of
the screen centre, the recorded raw audio measured side by side; silence without --sound,
a silent run where no audio driver exists, and a footstep file that cannot be loaded.
Exit 0 passed, 1 failed, 77 skipped."""

import argparse
import array
import math
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import picture_checks as pc  # noqa: E402
from run_e2e import Report, letterbox, prepare_files  # noqa: E402
from xsession import XSession, missing_tools, wait_until  # noqa: E402

SKIP = 77
BACK_W, BACK_H = 640, 480
RATE = 22050                  # the disk driver's frames per second, S16LE stereo
FRAME_BYTES = 4
OVERLAY = (0, 0, 200, 64)
PERSON_BOX_X = 300            # left of person 1's cell box while the camera rests on it
PERSON_FEET = (330, 250)      # middle of that cell's ground diamond
# Inside person 1's selection box (311..350 x 196..256) and above the box of a person standing
# on the cell south-west of it, so that person 1 alone is caught.
SELECT = ((318, 200), (343, 220))
MIDDLE = (BACK_W // 2, BACK_H // 2 + 60)
WINDOW_MS = 10                # analysis window
SOUNDING_RMS = 300            # a window whose louder side passes this holds a footstep


# ---- The recorded audio ----

class Audio:
    """Raw S16LE stereo samples from a byte offset of the disk driver's file."""

    def __init__(self, path, start_byte=0, end_byte=None):
        self.exists = os.path.exists(path)
        data = b""
        if self.exists:
            with open(path, "rb") as f:
                f.seek(start_byte)
                data = f.read(None if end_byte is None else max(0, end_byte - start_byte))
        data = data[:len(data) // FRAME_BYTES * FRAME_BYTES]
        samples = array.array("h")
        samples.frombytes(data)
        if sys.byteorder != "little":
            samples.byteswap()
        self.left = samples[0::2]
        self.right = samples[1::2]

    def seconds(self):
        return len(self.left) / RATE

    def all_zero(self):
        return not any(self.left) and not any(self.right)

    def measure(self):
        """Energy of each side over the windows that sound, how long they sound, how many
        separate sounding stretches there are, and the left/right ratio of the median window
        (robust against the odd footstep of a wandering person elsewhere)."""
        n = RATE * WINDOW_MS // 1000
        energy_l = energy_r = 0
        stretches = 0
        ratios = []
        previous = False
        for i in range(0, len(self.left) - n + 1, n):
            el = sum(v * v for v in self.left[i:i + n])
            er = sum(v * v for v in self.right[i:i + n])
            loud = max(el, er) / n > SOUNDING_RMS ** 2
            if loud:
                energy_l += el
                energy_r += er
                ratios.append(_db(el, er))
                stretches += not previous
            previous = loud
        ratios.sort()
        return {"left": energy_l, "right": energy_r, "sounding_s": len(ratios) * WINDOW_MS / 1000,
                "stretches": stretches, "ratio_db": _db(energy_l, energy_r),
                "median_db": ratios[len(ratios) // 2] if ratios else 0.0}


def _db(a, b):
    if a == 0 or b == 0:
        return float("inf") if a > b else float("-inf") if b > a else 0.0
    return 10 * math.log10(a / b)


def audio_bytes(path):
    return os.path.getsize(path) if os.path.exists(path) else 0


# ---- One run of the program ----

class Program:
    def __init__(self, xs, name, argv, cwd, out_dir, audio_driver="disk"):
        self.xs = xs
        self.name = name
        self.audio = os.path.join(out_dir, f"{name}.raw")
        if os.path.exists(self.audio):
            os.remove(self.audio)
        env = dict(xs.env, SDL_AUDIODRIVER=audio_driver, SDL_DISKAUDIOFILE=self.audio)
        self.stderr_path = os.path.join(out_dir, f"sound-{name}-stderr.txt")
        self.stderr = open(self.stderr_path, "w")
        self.argv, self.cwd, self.env = argv, cwd, env
        self.proc = None
        self.shots = 0
        self.origin = None

    def start(self):
        """Starts the program and waits for its window."""
        self.proc, wid = self.xs.start_program(self.argv, self.cwd, self.env, self.stderr)
        x, y, w, h = self.xs.settled_geometry(wid)
        scale, bx, by = letterbox(w, h)
        if scale != 1:
            raise RuntimeError(f"windowed picture at scale {scale}")
        self.origin = (x + bx, y + by)
        self.settle("shown", lambda pic: pc.drawn_fraction(pic) > 0.3)

    def screen(self, bx, by):
        return self.origin[0] + int(bx), self.origin[1] + int(by)

    def move(self, bx, by):
        self.xs.move(*self.screen(bx, by))

    def shot(self, label):
        self.shots += 1
        return self.xs.screenshot(f"sound-{self.name}-{self.shots:02d}-{label}",
                                  (*self.origin, BACK_W, BACK_H))

    def settle(self, label, ok=lambda pic: True, timeout=15):
        """The picture once ok holds of it and the view has come to rest."""
        return pc.settled(lambda: self.shot(label), ok, exclude=[OVERLAY], timeout=timeout)

    def audio_after(self, start, seconds, timeout=15):
        """The audio from byte start once the device has written `seconds` of it: the disk driver
        writes at the device's pace, which a busy machine slows."""
        want = start + int(seconds * RATE) * FRAME_BYTES
        wait_until(lambda: audio_bytes(self.audio), lambda size: size >= want, timeout)
        return Audio(self.audio, start, want)

    def end_with_f12(self):
        """F12, then the exit status and the seconds it took (None when it did not end)."""
        return self.xs.end_with_key(self.proc)

    def errors(self):
        """Standard error without the disk driver's own notices."""
        self.stderr.flush()
        with open(self.stderr_path) as f:
            lines = [line for line in f.read().splitlines() if not line.startswith("CRITICAL:")]
        return "\n".join(lines).strip()

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.stderr.close()


# ---- Moving the view so that person 1 stands left or right of the centre ----

def scroll_person_to(run, report, low, high):
    """Touches the screen edge in short moments until person 1's cell box lies between low
    and high (back-buffer X). The view follows nobody meanwhile: the camera is free. Returns
    person 1's box X, or None."""
    scene = (40, 70, 600, 440)
    start = run.shot("before-scroll")
    person_x = PERSON_BOX_X
    for attempt in range(12):
        if low <= person_x <= high:
            break
        edge = BACK_W - 1 if person_x > high else 0
        # The pointer rests on the edge this long: the view scrolls meanwhile.
        run.xs.touch(run.screen(edge, BACK_H // 2), 0.05, run.screen(*MIDDLE))
        now = run.settle(f"scroll-{attempt}")
        dx, dy, score = pc.estimate_shift(start, now, scene, 420, 60, [OVERLAY])
        if score < 0.3:
            report.check(f"{run.name}: the scene moved measurably", False, f"only {score:.0%} of pixels match")
            return None
        person_x = PERSON_BOX_X + dx
        print(f"    edge touch {attempt}: scene moved ({dx:+d}, {dy:+d}), {score:.0%} match; "
              f"person 1 at X {person_x}", flush=True)
    ok = low <= person_x <= high
    report.check(f"{run.name}: edge scrolling puts person 1 at X {low}..{high}", ok, f"X {person_x}")
    return person_x if ok else None


def order_walks(run, person_x, rows):
    """Right clicks that send the selected person 1 up and down its screen column, `rows`
    cells each way, one after the other. Returns the audio file's size before the first."""
    feet_x = person_x + PERSON_FEET[0] - PERSON_BOX_X
    start = audio_bytes(run.audio)
    y = PERSON_FEET[1]
    for target_y in (y - 28 * rows, y, y + 28 * rows, y):
        run.xs.right_click(*run.screen(feet_x, target_y))
        run.move(*MIDDLE)
        # Person 1 walks `rows` cells there: the order's footsteps, in the audio of the walk.
        run.audio_after(audio_bytes(run.audio), 1.0)
    return start


# ---- The scenarios ----

def walk_by_key(run, report):
    """Person 1 walks by a held key; the camera follows it, so it stays at the centre."""
    run.move(*MIDDLE)
    run.settle("before-key-walk")
    before = audio_bytes(run.audio)
    run.xs.hold_key("Up", 1.0)
    # The second held and the steps that end after it.
    m = run.audio_after(before, 1.4).measure()
    print(f"    held key: {m}", flush=True)
    run.shot("after-key-walk")
    report.check("held key: footsteps recorded", m["sounding_s"] >= 0.3,
                 f"{m['sounding_s']:.2f} s sounding in {m['stretches']} stretch(es)")
    report.check("held key: person 1 at the centre is heard about equally on both sides",
                 -1.0 <= m["ratio_db"] <= 3.0, f"left/right {m['ratio_db']:+.1f} dB "
                 f"(L {m['left']:.3g}, R {m['right']:.3g}; the pan -5 gives +1 dB)")
    return m


def walk_by_order(run, report, side):
    """Person 1 selected, the view scrolled so it stands on `side` of the centre, then ordered
    up and down its column: the footsteps are louder on that side."""
    run.xs.drag(run.screen(*SELECT[0]), run.screen(*SELECT[1]))
    run.move(*MIDDLE)
    run.settle("selected")
    low, high = (60, 200) if side == "left" else (400, 540)
    person_x = scroll_person_to(run, report, low, high)
    if person_x is None:
        return None
    start = order_walks(run, person_x, 4)
    run.shot("after-orders")
    m = Audio(run.audio, start).measure()
    print(f"    ordered walks ({side}): {m}", flush=True)
    report.check(f"{side}: footsteps recorded", m["sounding_s"] >= 0.2 and m["stretches"] >= 2,
                 f"{m['sounding_s']:.2f} s sounding in {m['stretches']} stretches")
    sign = 1 if side == "left" else -1
    report.check(f"{side}: person 1 at X {person_x} is louder on the {side}",
                 sign * m["median_db"] >= 10 and sign * m["ratio_db"] >= 3,
                 f"left/right {m['median_db']:+.1f} dB in the median window, {m['ratio_db']:+.1f} dB overall "
                 f"(L {m['left']:.3g}, R {m['right']:.3g})")
    return m


def sound_run(xs, report, name, program, cwd, extra, scenario):
    run = Program(xs, name, [program, "--windowed", "--no-dialog", "--sound", *extra], cwd, xs.out_dir)
    try:
        run.start()
        scenario(run, report)
        status, elapsed = run.end_with_f12()
        report.check(f"{name}: F12 ends the program with status 0", status == 0,
                     f"status {status} after {elapsed:.2f} s")
        report.check(f"{name}: nothing on standard error", run.errors() == "", run.errors()[:200] or "empty")
    except Exception as e:  # a harness failure is a test failure with its reason
        report.check(f"{name} run", False, f"{type(e).__name__}: {e}")
    finally:
        run.stop()


def silent_runs(xs, report, program, cwd, extra):
    """Without --sound nothing reaches the audio device; with --sound where no driver exists
    the game runs silent, says so in one line, and F12 still ends it."""
    runs = [("no-sound-switch", [program, "--windowed", "--no-dialog", *extra], "disk"),
            ("no-audio-driver", [program, "--windowed", "--no-dialog", "--sound", *extra], "no-such-driver")]
    if not os.path.exists("/dev/snd"):
        # ALSA without a card prints lines of its own on the way to failing.
        runs.append(("no-sound-card", [program, "--windowed", "--no-dialog", "--sound", *extra], "alsa"))
    for name, argv, driver in runs:
        run = Program(xs, name, argv, cwd, xs.out_dir, audio_driver=driver)
        try:
            run.start()
            run.move(*MIDDLE)
            run.xs.hold_key("Up", 1.0)
            moved = pc.drawn_fraction(run.settle("walked")) > 0.3
            status, elapsed = run.end_with_f12()
            report.check(f"{name}: the game runs and F12 ends it with status 0", moved and status == 0,
                         f"village drawn: {moved}; status {status} after {elapsed:.2f} s")
            audio = Audio(run.audio)
            report.check(f"{name}: silence", not audio.exists or audio.all_zero(),
                         "no audio file" if not audio.exists else
                         f"{audio.seconds():.2f} s recorded, all zero: {audio.all_zero()}")
            if driver == "disk":
                report.check(f"{name}: nothing on standard error", run.errors() == "", run.errors()[:200] or "empty")
            else:
                lines = run.errors().splitlines()
                report.check(f"{name}: one line of ours on standard error says why there is no sound",
                             len(lines) == 1 and lines[0].startswith("corvina: no sound in this run: ")
                             and (driver != "no-such-driver" or driver in lines[0]), run.errors()[:300] or "empty")
        except Exception as e:
            report.check(f"{name} run", False, f"{type(e).__name__}: {e}")
        finally:
            run.stop()


def bad_footstep_files(xs, report, program, out_dir):
    """--use-files beside a missing or broken Walk.Wav, with an audio device: the program
    ends at once with status 1 and a message naming the file, before any window."""
    broken = b"RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x03\x00\x01\x00" + b"\x00" * 12
    for name, content in (("missing", None), ("broken", broken)):
        work = os.path.join(out_dir, f"walk-{name}")
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        copy = os.path.join(work, "corvina")
        shutil.copy2(program, copy)
        if content is not None:
            with open(os.path.join(work, "Walk.Wav"), "wb") as f:
                f.write(content)
        env = dict(xs.env, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=os.path.join(work, "audio.raw"))
        start = time.monotonic()
        try:
            r = subprocess.run([copy, "--windowed", "--no-dialog", "--sound", "--use-files"], cwd=work, env=env,
                               capture_output=True, text=True, timeout=20)
            status, err = r.returncode, r.stderr
        except subprocess.TimeoutExpired:
            status, err = None, "did not end within 20 s"
        lines = [line for line in err.splitlines() if not line.startswith("CRITICAL:")]
        report.check(f"{name} Walk.Wav: status 1 with a message naming the file",
                     status == 1 and any("Walk.Wav" in line for line in lines),
                     f"status {status} after {time.monotonic() - start:.2f} s, {lines[-1:] if lines else err[-120:]}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", required=True)
    parser.add_argument("--mkassets", help="data generator, used when the program carries no data")
    parser.add_argument("--embedded", type=int, default=1, help="1 when the program carries its data")
    parser.add_argument("--out", required=True, help="directory for recordings, screenshots and logs")
    args = parser.parse_args()

    missing = missing_tools()
    if missing:
        print(f"SKIPPED: the sound end-to-end test needs {', '.join(missing)} "
              "(apt-get install xvfb xdotool imagemagick)")
        return SKIP
    os.makedirs(args.out, exist_ok=True)
    if not args.embedded and not args.mkassets:
        print("FAILED: the program carries no data and no --mkassets was given")
        return 1
    # Without embedded data: a copy beside generated data files, run with --use-files.
    program, cwd, extra = prepare_files(args, args.out) if not args.embedded else (args.program, args.out, [])

    report = Report()
    xs = XSession(1024, 768, args.out)
    try:
        print("footsteps by key:", flush=True)
        sound_run(xs, report, "key", program, cwd, extra, walk_by_key)
        for side in ("left", "right"):
            print(f"footsteps by order, {side} of the centre:", flush=True)
            sound_run(xs, report, side, program, cwd, extra, lambda run, rep, s=side: walk_by_order(run, rep, s))
        print("silent runs:", flush=True)
        silent_runs(xs, report, program, cwd, extra)
        print("footstep file that cannot be loaded:", flush=True)
        bad_footstep_files(xs, report, args.program, args.out)
    finally:
        xs.close()
    failed = report.failed()
    print(f"{len(report.rows) - len(failed)} of {len(report.rows)} checks passed; recordings and "
          f"screenshots in {args.out}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
