#!/usr/bin/env python3
"""The SDL program against bad input of its environment and its files.

Each case runs a copy of `corvina` in a directory of its own (loose files are looked for beside
the program) with SDL's dummy video driver where a display is not the point, and expects either
a clean exit with status 1 (2 for a refusal at start) and the message on standard error, or a
running game (ended with SIGTERM, which SDL turns into a quit: status 0) with the warning on
standard error. A storm case keeps sending its signal from the running game until the program has
ended, which must still be with status 0. Each case has a data folder of its own. Every run has a
timeout: a hang fails the case. Each directory's name holds a terminal escape and a byte that is
not UTF-8, so every path the program shows carries them: neither output may hold a raw control
byte but the line end. Exit status 0 when every case passed.
"""
import argparse
import fcntl
import os
import pty
import shutil
import signal
import struct
import subprocess
import sys
import termios
import time

LATIN_FONTS = "/usr/share/fonts/truetype/dejavu"  # fonts-dejavu-core: no Hangul in it
RUN_SECONDS = 2.5   # a game that should run is left this long before it is asked to quit
LIMIT_SECONDS = 20  # longer than this is a hang
# A terminal escape (it would retitle the window) and a byte that is not UTF-8, as os.fsdecode
# gives it.
HOSTILE = "evil\x1b]0;owned\x07\udcff"


def wave(tag=1, data_len=1404, cut=None, bits=8):
    fmt = struct.pack("<HHIIHHH", tag, 1, 11025, 11025 * bits // 8, bits // 8, bits, 0)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", data_len) + bytes(data_len)
    image = b"RIFF" + struct.pack("<I", len(body)) + body
    return image if cut is None else image[:cut]


class Case:
    def __init__(self, name, args, expect, message, env=None, files=None, terminal=False, holder=None, storm=None):
        self.name = name
        self.args = args
        self.expect = expect          # "exit1", "exit2": ends with that status; "runs": keeps running;
        #                               "storm": keeps running, then ends with status 0 under `storm`
        self.message = message        # text that standard error must contain
        self.holder = holder          # arguments of a program started first beside it, and left running
        self.storm = storm            # the signal sent over and over until the program has ended
        self.env = env or {}
        self.files = files or {}      # name beside the program -> bytes, "dir", "fifo", ("link", target)
        #                               or ("sparse", head, size): head, then holes up to size bytes
        self.terminal = terminal      # run on a terminal of its own that nobody types on (/dev/tty)


def recording(*lines):
    return ("# corvina recording\n# switches:\n# start clock=0 map=00000000\n" + "".join(lines)).encode()


def make_cases(data):
    shipped_map = open(os.path.join(data, "MAP.DAT"), "rb").read()
    dummy = {"SDL_VIDEODRIVER": "dummy", "SDL_AUDIODRIVER": "dummy"}
    files_dummy = ["--windowed", "--use-files", "--no-dialog"]
    sound_files = files_dummy + ["--sound"]
    walk_map = {"MAP.DAT": shipped_map}
    return [
        Case("no display", ["--windowed", "--no-dialog"], "exit1", "DirectDraw 객체 생성 실패",
             env={"SDL_VIDEODRIVER": "nonexistent"}),
        Case("no display, full screen, dialog refused by the environment", [], "exit1", "DirectDraw 객체 생성 실패",
             env={"SDL_VIDEODRIVER": "nonexistent", "CORVINA_NO_DIALOG": "1"}),
        # SDL itself would fall back to a driver that shows nothing; the program refuses it.
        Case("no display reachable (DISPLAY not set)", ["--windowed", "--no-dialog"], "exit1",
             "no display could be opened (DISPLAY is not set)", env={"SDL_VIDEODRIVER": ""}),
        Case("no display reachable (DISPLAY names no server)", ["--windowed", "--no-dialog"], "exit1",
             "no display could be opened (DISPLAY is :999)", env={"SDL_VIDEODRIVER": "", "DISPLAY": ":999"}),
        Case("no audio device with --sound", ["--windowed", "--sound", "--no-dialog"], "runs", "",
             env={"SDL_VIDEODRIVER": "dummy", "SDL_AUDIODRIVER": "nonexistent"}),
        Case("no font at all", ["--windowed", "--no-dialog"], "runs", "no font found; text is not drawn",
             env={"SDL_VIDEODRIVER": "dummy", "FONTCONFIG_FILE": "@EMPTY_FONTS_CONF@"}),
        Case("no Korean-capable font", ["--windowed", "--no-dialog"], "runs", "no font covering Korean found",
             env={"SDL_VIDEODRIVER": "dummy", "FONTCONFIG_FILE": "@LATIN_FONTS_CONF@"}),
        Case("MAP.DAT short", files_dummy, "exit1", "is 1000 bytes long; 50000 bytes expected", env=dummy,
             files={"MAP.DAT": shipped_map[:1000]}),
        Case("MAP.DAT empty", files_dummy, "exit1", "is 0 bytes long", env=dummy, files={"MAP.DAT": b""}),
        Case("MAP.DAT long", files_dummy, "runs", "only its first 50000 bytes are used", env=dummy,
             files={"MAP.DAT": shipped_map + bytes(10000)}),
        Case("MAP.DAT absurdly long", files_dummy, "exit1", "bytes, refused", env=dummy,
             files={"MAP.DAT": "huge"}),
        Case("MAP.DAT full of out-of-range values", files_dummy, "runs", "", env=dummy,
             files={"MAP.DAT": bytes([0xFF, 0xC8, 0x63, 0x07, 0x09] * 10000)}),
        Case("MAP.DAT missing", files_dummy, "runs",
             "cannot be opened (No such file or directory); a random map is generated", env=dummy),
        Case("MAP.DAT a directory", files_dummy, "runs", "cannot be opened (is a directory); a random map is generated",
             env=dummy, files={"MAP.DAT": "dir"}),
        Case("MAP.DAT a FIFO nobody writes to", files_dummy, "runs",
             "cannot be opened (is a FIFO); a random map is generated", env=dummy, files={"MAP.DAT": "fifo"}),
        Case("MAP.DAT a character device", files_dummy, "runs",
             "cannot be opened (is a character device); a random map is generated", env=dummy,
             files={"MAP.DAT": ("link", "/dev/null")}),
        Case("--map /dev/tty on a terminal nobody types on", ["--windowed", "--no-dialog", "--map", "/dev/tty"], "exit2",
             "/dev/tty cannot be opened as a map (is a character device); it is left as it is", env=dummy,
             terminal=True),
        Case("--map in a folder that is not there", ["--windowed", "--no-dialog", "--map", "nowhere/my.dat"], "exit2",
             "nowhere/my.dat cannot be made: there is no folder nowhere", env=dummy),
        Case("--map of a map another Corvina is using, through a link", ["--windowed", "--no-dialog", "--map", "link.dat"],
             "exit2", "link.dat: another Corvina (process ", env=dummy,
             files={"my.dat": shipped_map, "link.dat": ("link", "my.dat")},
             holder=["--windowed", "--no-dialog", "--map", "my.dat"]),
        Case("a second Corvina without --map", ["--windowed", "--no-dialog"], "exit2",
             "corvina/MAP.DAT: another Corvina (process ", env=dummy, holder=["--windowed", "--no-dialog"]),
        *(Case("%s over and over into the end (%d)" % (sig.name, n + 1), ["--windowed", "--no-dialog", "--map", "my.dat"], "storm", "",
               env=dummy, storm=sig) for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP) for n in range(3)),
        Case("MAP.DAT losing a person", files_dummy, "runs", "map: person 2 is on no cell; it starts at (0, 0)",
             env=dummy, files={"MAP.DAT": bytes(0 if i % 5 == 2 and b == 2 else b for i, b in enumerate(shipped_map))}),
        Case("MAP.DAT that fails while it is read", files_dummy, "exit1", "read error", env=dummy,
             files={"MAP.DAT": ("link", "/proc/self/mem")}),
        Case("Walk.Wav truncated", sound_files, "exit1", "footstep sound could not be loaded", env=dummy,
             files=dict(walk_map, **{"Walk.Wav": wave(cut=300)})),
        Case("Walk.Wav not PCM", sound_files, "exit1", "footstep sound could not be loaded", env=dummy,
             files=dict(walk_map, **{"Walk.Wav": wave(tag=3)})),
        Case("Walk.Wav a FIFO nobody writes to", sound_files, "exit1",
             "/Walk.Wav: missing, unreadable or not a PCM wave (is a FIFO).", env=dummy,
             files=dict(walk_map, **{"Walk.Wav": "fifo"})),
        Case("Walk.Wav a directory", sound_files, "exit1", "not a PCM wave (is a directory).", env=dummy,
             files=dict(walk_map, **{"Walk.Wav": "dir"})),
        Case("Walk.Wav of 24 bits a sample", sound_files, "exit1",
             "Walk.Wav: 24 bits a sample; 8 or 16 are played. The specified wave format is not supported.", env=dummy,
             files=dict(walk_map, **{"Walk.Wav": wave(bits=24)})),
        Case("Walk.Wav of PCM past 64 MiB", sound_files, "exit1", "Walk.Wav: file larger than 67108864 bytes, refused",
             env=dummy, files=dict(walk_map, **{"Walk.Wav": ("sparse", wave(), (64 << 20) + 1)})),
        Case("--map FILE of 5 bytes named with a terminal escape",
             ["--windowed", "--no-dialog", "--map", HOSTILE + ".dat"], "exit2",
             "\\x1b]0;owned\\x07\\xff.dat\" is 5 bytes long; 50000 bytes expected; it is not a map", env=dummy,
             files={HOSTILE + ".dat": b"12345"}),
        Case("--replay of a recording cut in the middle of a line", ["--windowed", "--no-dialog", "--replay",
             HOSTILE + ".txt"], "exit2", "line 5: the recording is cut short in this line", env=dummy,
             files={HOSTILE + ".txt": recording("1 clock 0\n", "2 clo")}),
        Case("--replay of a recording whose end claims more frames than it holds",
             ["--windowed", "--no-dialog", "--replay", HOSTILE + ".txt"], "exit2",
             "line 5: the end line says 100000000 frames, but the recording holds clock lines for 1", env=dummy,
             files={HOSTILE + ".txt": recording("1 clock 0\n", "# end frame=100000000 map=0 p1=0,0,0 p2=0,0,0 "
                                                "p3=0,0,0 p4=0,0,0\n")}),
        Case("--replay of a FIFO", ["--windowed", "--no-dialog", "--replay", HOSTILE + ".txt"], "exit2",
             "\\x1b]0;owned\\x07\\xff.txt (is a FIFO)", env=dummy, files={HOSTILE + ".txt": "fifo"}),
    ]


def place(directory, name, content):
    path = os.path.join(directory, name)
    if content == "dir":
        os.mkdir(path)
    elif content == "fifo":
        os.mkfifo(path)
    elif content == "huge":
        with open(path, "wb") as f:
            f.truncate(64 << 20)  # sparse: costs no disk
    elif isinstance(content, tuple) and content[0] == "sparse":
        with open(path, "wb") as f:
            f.write(content[1])
            f.truncate(content[2])
    elif isinstance(content, tuple):
        os.symlink(content[1], path)
    else:
        with open(path, "wb") as f:
            f.write(content)


def storm(proc, sig):
    """`sig` every half millisecond from now until `proc` has ended (or LIMIT_SECONDS have passed)."""
    end = time.monotonic() + LIMIT_SECONDS
    while proc.poll() is None and time.monotonic() < end:
        try:
            proc.send_signal(sig)
        except ProcessLookupError:
            break
        time.sleep(0.0005)


def run_case(case, program, work, fonts_confs):
    directory = os.path.join(work, HOSTILE + "".join(c if c.isalnum() else "_" for c in case.name))
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    local = os.path.join(directory, "corvina")
    shutil.copy2(program, local)
    for name, content in case.files.items():
        place(directory, name, content)
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    # Its own data folder: what one case saves or holds is not the next one's, nor the user's.
    env["XDG_DATA_HOME"] = os.path.join(directory, "data")
    for k, v in case.env.items():
        for mark, conf in fonts_confs.items():
            v = v.replace(mark, conf)
        env[k] = v
    holder = None
    if case.holder:
        holder = subprocess.Popen([local] + case.holder, cwd=directory, env=env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(RUN_SECONDS)
    terminal = pty.openpty() if case.terminal else None
    # On a terminal: a session of its own with the terminal as its controlling one, so /dev/tty
    # names a terminal that would wait for ever for a key.
    proc = subprocess.Popen([local] + case.args, cwd=directory, env=env,
                            stdin=terminal[1] if terminal else subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, start_new_session=bool(terminal),
                            preexec_fn=(lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0)) if terminal else None)
    problems = []
    if case.expect in ("runs", "storm"):
        time.sleep(RUN_SECONDS)
        if proc.poll() is not None:
            problems.append("ended by itself with status %d; it should run" % proc.returncode)
        elif case.storm:
            storm(proc, case.storm)
        else:
            proc.send_signal(signal.SIGTERM)
    try:
        out, err = proc.communicate(timeout=LIMIT_SECONDS)
    except subprocess.TimeoutExpired:
        proc.kill()
        out, err = proc.communicate()
        problems.append("hung: still running after %d s" % LIMIT_SECONDS)
    if terminal:
        os.close(terminal[0])
        os.close(terminal[1])
    if any(b < 0x20 and b != 0x0A for b in out + err):
        problems.append("a raw control byte in what it printed")
    err = err.decode("utf-8", "replace")
    wanted = {"exit1": 1, "exit2": 2}.get(case.expect, 0)
    if proc.returncode != wanted and not problems:
        problems.append("status %d, expected %d" % (proc.returncode, wanted))
    if case.message and case.message not in err:
        problems.append("standard error lacks %r" % case.message)
    if proc.returncode is not None and proc.returncode < 0 and proc.returncode != -signal.SIGTERM:
        problems.append("killed by signal %d" % -proc.returncode)
    if holder:
        holder.send_signal(signal.SIGTERM)
        try:
            if holder.wait(timeout=LIMIT_SECONDS) != 0:
                problems.append("the program started first ended with status %d" % holder.returncode)
        except subprocess.TimeoutExpired:
            holder.kill()
            holder.wait()
            problems.append("the program started first hung")
    return problems, err


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--mkassets", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--only", help="run only cases whose name contains this text")
    a = parser.parse_args()

    os.makedirs(a.work, exist_ok=True)
    data = os.path.join(a.work, "data")
    subprocess.run([a.mkassets, data], check=True, stdout=subprocess.DEVNULL, timeout=120)
    # Font configurations that offer no face at all, and only a face without Hangul.
    fonts_confs = {}
    for mark, name, body in (("@EMPTY_FONTS_CONF@", "empty-fonts.conf", ""),
                             ("@LATIN_FONTS_CONF@", "latin-fonts.conf", "<dir>%s</dir>" % LATIN_FONTS)):
        fonts_confs[mark] = os.path.join(a.work, name)
        with open(fonts_confs[mark], "w") as f:
            f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>%s</fontconfig>\n' % body)

    failed = 0
    for case in make_cases(data):
        if a.only and a.only not in case.name:
            continue
        problems, err = run_case(case, a.program, a.work, fonts_confs)
        if problems:
            failed += 1
            print("FAIL  %s: %s" % (case.name, "; ".join(problems)))
            print("      standard error: " + err.strip().replace("\n", "\n      "))
        else:
            print("ok    %s" % case.name)
    print("%d case(s) failed" % failed if failed else "all cases passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
