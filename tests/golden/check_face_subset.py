#!/usr/bin/env python3
"""The page's cut-down face draws the golden scenes exactly as the whole face does: the subset
is made as the web build makes it, offered to corvina-headless as the only font, and every
scene's checked frames must keep their recorded CRCs.

  check_face_subset.py --headless PROGRAM --root ROOT --face FACE --licence COPYRIGHT --work DIR"""
import argparse
import json
import os
import shutil
import subprocess
import sys


def scene_header(script):
    frames, checks, options = 0, [], []
    with open(script, encoding="utf-8") as f:
        for line in f:
            words = line.split()
            if words[:2] == ["#", "frames:"]:
                frames = int(words[2])
            elif words[:2] == ["#", "check:"]:
                checks = [int(w) for w in words[2:]]
            elif words[:2] == ["#", "options:"]:
                options = words[2:]
    return frames, checks, options


def main():
    parser = argparse.ArgumentParser()
    for name in ("--headless", "--root", "--face", "--licence", "--work"):
        parser.add_argument(name, required=True)
    a = parser.parse_args()
    shutil.rmtree(a.work, ignore_errors=True)
    face_dir = os.path.join(a.work, "face")
    subprocess.run([os.path.join(a.root, "scripts", "face-subset.py"), "--root", a.root, "--face", a.face,
                    "--licence", a.licence, "--out", face_dir], check=True)
    for name in ("corvina-face.ttf", "OFL.txt"):
        if not os.path.isfile(os.path.join(face_dir, name)):
            print(f"FAILED: the subset has no {name}")
            return 1
    conf = os.path.join(a.work, "fonts.conf")
    with open(conf, "w", encoding="utf-8") as f:
        f.write(f'<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n'
                f"<fontconfig><dir>{face_dir}</dir><cachedir>{a.work}/cache</cachedir></fontconfig>\n")
    env = {**os.environ, "FONTCONFIG_FILE": conf}

    golden = os.path.join(a.root, "tests", "golden")
    failed = []
    scenes = sorted(n[:-4] for n in os.listdir(golden) if n.endswith(".txt"))
    for scene in scenes:
        frames, checks, options = scene_header(os.path.join(golden, scene + ".txt"))
        run = subprocess.run([a.headless, "--frames", str(frames), "--script", os.path.join(golden, scene + ".txt"),
                              "--trace", "--hash", *options], env=env, capture_output=True, text=True, timeout=120)
        # The whole face covers Korean and the subset does not: the warning proves which was drawn with.
        if "corvina-face.ttf" not in run.stderr:
            failed.append(f"{scene}: not drawn with the subset ({run.stderr.strip()[:200]})")
            continue
        crcs = {}
        for line in run.stdout.splitlines():
            frame = json.loads(line)
            crcs[frame["frame"]] = frame.get("frame_crc")
        with open(os.path.join(golden, scene + ".crc"), encoding="utf-8") as f:
            want = {int(frame): crc for frame, crc in (line.split() for line in f if line.strip())}
        for frame in checks:
            if crcs.get(frame) != want.get(frame):
                failed.append(f"{scene} frame {frame}: {crcs.get(frame)}, recorded {want.get(frame)}")
    for problem in failed:
        print(problem)
    print(f"{len(scenes)} scenes" + (" passed" if not failed else f": FAILED {len(failed)}"))
    return 1 if failed or not scenes else 0


if __name__ == "__main__":
    sys.exit(main())
