#!/usr/bin/env python3
"""corvina-headless, corvina-soak and corvina-mkassets against bad command lines, hostile
scripts and a disk that fills up: each run must end with the expected status, say what was
wrong (naming the value or file and the reason), echo input only as harmless text, and leave
an existing output file as it was. Exit status 0 when every case passed."""
import argparse
import os
import resource
import shutil
import signal
import stat
import subprocess
import sys

LIMIT_SECONDS = 60
OLD_PICTURE = b"an older picture that must survive " * 3000  # about 100 KB


def full_disk(size):
    """For preexec_fn: files cannot grow past `size` bytes, as on a disk that fills up."""
    def apply():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, resource.getrlimit(resource.RLIMIT_FSIZE)[1]))
    return apply


class Case:
    def __init__(self, name, tool, args, status, says, files=None, limit=None, kept=None, out=None):
        self.name = name
        self.tool = tool        # "headless", "soak" or "mkassets"
        self.args = args
        self.status = status
        self.says = says        # text that standard error (or, with status 0, output) must hold
        self.files = files or {}  # written in the case's folder before the run ("fifo": a FIFO,
        #                           ("link", target): a symbolic link); each stays of its kind
        self.limit = limit      # largest file the run may write, in bytes
        self.kept = kept or []  # files that must hold what they held before the run
        self.out = out          # "stdout": `says` is looked for on standard output


def cases():
    hostile = b"1 \x1b]0;owned\x07 x\n"
    named = "evil\x1b]0;owned\x07\udcff.txt"  # a terminal escape and a byte that is not UTF-8
    head = b"# corvina recording\n# switches:\n# start clock=0 map=00000000\n1 clock 0\n"
    return [
        Case("--frames past its range", "headless", ["--frames", "100000001"], 2,
             "--frames needs a whole number from 0 to 100000000, not '100000001'"),
        Case("--png for a frame the run never reaches", "headless", ["--frames", "5", "--png", "9:x.png"], 2,
             "--png 9:x.png asks for frame 9, but the run has 5 frames"),
        Case("a script line with a terminal escape", "headless", ["--script", "s.txt"], 1,
             "line 1: unknown command '\\x1b]0;owned\\x07'", files={"s.txt": hostile}),
        Case("a script that is a FIFO", "headless", ["--script", "s.txt"], 1, "cannot open script s.txt (is a FIFO)",
             files={"s.txt": "fifo"}),
        Case("a script word of 8 MiB", "headless", ["--script", "s.txt"], 1,
             "line 1: unknown command '" + "w" * 80 + "…'", files={"s.txt": b"1 " + b"w" * (8 << 20) + b"\n"}),
        Case("--png over a picture on a full disk", "headless", ["--frames", "5", "--png", "5:shot.png"], 1,
             "shot.png: cannot write the file: File too large", files={"shot.png": OLD_PICTURE},
             limit=64 << 10, kept=["shot.png"]),
        Case("--verify of a recording cut in the middle of a line", "headless", ["--verify", named], 2,
             "evil\\x1b]0;owned\\x07\\xff.txt: line 5: the recording is cut short in this line",
             files={named: head + b"2 clo"}),
        Case("--verify of an end line claiming more frames than the file holds", "headless", ["--verify", "r.txt"], 2,
             "r.txt: line 5: the end line says 100000000 frames, but the recording holds clock lines for 1",
             files={"r.txt": head + b"# end frame=100000000 map=0 p1=0,0,0 p2=0,0,0 p3=0,0,0 p4=0,0,0\n"}),
        Case("--verify of a FIFO", "headless", ["--verify", named], 2,
             "cannot open script evil\\x1b]0;owned\\x07\\xff.txt (is a FIFO)", files={named: "fifo"}),
        Case("--png onto a FIFO", "headless", ["--frames", "1", "--png", "1:shot.png"], 2,
             "shot.png: cannot write the file: is a FIFO", files={"shot.png": "fifo"}),
        # As /dev/stdout is, when standard output is a pipe.
        Case("--png through a link to a FIFO", "headless", ["--frames", "1", "--png", "1:stdout"], 2,
             "stdout: cannot write the file: is a FIFO", files={"pipe": "fifo", "stdout": ("link", "pipe")}),
        Case("corvina-soak --help", "soak", ["--help"], 0, "--seed S", out="stdout"),
        Case("corvina-soak --seed past its range", "soak", ["--seed", "4294967296"], 2,
             "--seed needs a whole number from 0 to 4294967295, not '4294967296'"),
        Case("corvina-soak unknown option", "soak", ["--fast\x1b[2J"], 2, "unknown option '--fast\\x1b[2J'"),
        Case("the generator on a full disk", "mkassets", ["."], 1,
             "Lumo1.BMP: cannot write the file: File too large", files={"Lumo1.BMP": OLD_PICTURE},
             limit=16 << 10, kept=["Lumo1.BMP"]),
    ]


def run_case(case, programs, work):
    directory = os.path.join(work, "".join(c if c.isalnum() else "_" for c in case.name))
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    for name, content in case.files.items():
        if content == "fifo":
            os.mkfifo(os.path.join(directory, name))
            continue
        if isinstance(content, tuple):
            os.symlink(content[1], os.path.join(directory, name))
            continue
        with open(os.path.join(directory, name), "wb") as f:
            f.write(content)
    before = set(os.listdir(directory))
    try:
        r = subprocess.run([programs[case.tool], *case.args], cwd=directory, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=LIMIT_SECONDS,
                           preexec_fn=full_disk(case.limit) if case.limit else None)
    except subprocess.TimeoutExpired:
        return [f"hung: still running after {LIMIT_SECONDS} s"], ""
    said = (r.stdout if case.out == "stdout" else r.stderr).decode("utf-8", "replace")
    problems = []
    if r.returncode != case.status:
        problems.append(f"status {r.returncode}, expected {case.status}")
    if case.says not in said:
        problems.append(f"{case.out or 'stderr'} lacks {case.says!r}")
    if any(b < 0x20 and b != 0x0A for b in r.stdout + r.stderr):
        problems.append("a raw control byte in what it printed")
    if len(r.stderr) > 4096:
        problems.append(f"standard error is {len(r.stderr)} bytes long")
    for name, content in case.files.items():
        mode = os.lstat(os.path.join(directory, name)).st_mode
        if (content == "fifo" and not stat.S_ISFIFO(mode)) or (isinstance(content, tuple) and not stat.S_ISLNK(mode)):
            problems.append(f"{name} is no longer a {'FIFO' if content == 'fifo' else 'link'}")
    for name in case.kept:
        with open(os.path.join(directory, name), "rb") as f:
            if f.read() != case.files[name]:
                problems.append(f"{name} was changed")
    if case.status != 0:
        stray = set(os.listdir(directory)) - before
        if stray:
            problems.append(f"left behind: {sorted(stray)}")
    return problems, said


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--headless", required=True)
    parser.add_argument("--soak", required=True)
    parser.add_argument("--mkassets", required=True)
    parser.add_argument("--work", required=True)
    a = parser.parse_args()
    programs = {"headless": os.path.abspath(a.headless), "soak": os.path.abspath(a.soak),
                "mkassets": os.path.abspath(a.mkassets)}
    os.makedirs(a.work, exist_ok=True)
    failed = 0
    for case in cases():
        problems, said = run_case(case, programs, a.work)
        if problems:
            failed += 1
            print(f"FAIL  {case.name}: {'; '.join(problems)}")
            print("      said: " + said.strip()[:2000].replace("\n", "\n      "))
        else:
            print(f"ok    {case.name}")
    print(f"{len(cases()) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
