#!/usr/bin/env python3
"""SDL stays in its corner: no file outside platform/sdl/ includes an SDL header (the drawing
benchmark, which measures SDL's own blits, the least SDL program the presentation is measured
beside, and the SDL back ends' tests excepted), and no program
but the SDL ones has libSDL2 among its libraries.

  check_layers.py includes ROOT
  check_layers.py links --sdl PROGRAM... --free PROGRAM...

Each check also looks where SDL is expected (the files of platform/sdl/, the programs after
--sdl), so a pattern that matches nothing cannot pass."""
import argparse
import os
import re
import subprocess
import sys

SDL_INCLUDE = re.compile(r'^\s*#\s*include\s*[<"](?:SDL2/)?SDL(?:_\w+)?\.h[>"]', re.MULTILINE)
SOURCES = (".c", ".cc", ".cpp", ".h", ".hpp", ".inc")
SDL_FOLDERS = ("platform/sdl/", "tests/platform/sdl/")
SDL_FILES = ("bench/DrawBench.cpp", "bench/present/MinimalPresent.cpp")
SKIPPED = (".git", "build")  # the build folders hold generated and copied files


def source_files(root):
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if not d.startswith(SKIPPED))
        for name in sorted(files):
            if name.endswith(SOURCES):
                path = os.path.join(folder, name)
                yield os.path.relpath(path, root).replace(os.sep, "/"), path


def check_includes(root):
    wrong, allowed = [], []
    for rel, path in source_files(root):
        with open(path, encoding="utf-8", errors="replace") as f:
            if not SDL_INCLUDE.search(f.read()):
                continue
        (allowed if rel.startswith(SDL_FOLDERS) or rel in SDL_FILES else wrong).append(rel)
    for rel in wrong:
        print("FAIL  %s includes an SDL header outside platform/sdl/" % rel)
    if not any(rel.startswith(SDL_FOLDERS[0]) for rel in allowed):
        print("FAIL  no SDL include found even in platform/sdl/: the pattern is broken")
        return 1
    print("%d files may include SDL, %d others do" % (len(allowed), len(wrong)))
    return 1 if wrong else 0


def links_sdl(program):
    out = subprocess.run(["ldd", program], capture_output=True, text=True, check=True).stdout
    return any(line.strip().startswith("libSDL2") for line in out.splitlines())


def check_links(sdl, free):
    failed = 0
    for program in sdl:
        if not links_sdl(program):
            print("FAIL  %s shows no libSDL2: the check cannot see SDL" % program)
            failed += 1
    for program in free:
        if links_sdl(program):
            print("FAIL  %s links libSDL2" % program)
            failed += 1
    print("%d passed, %d failed" % (len(sdl) + len(free) - failed, failed))
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="check", required=True)
    sub.add_parser("includes").add_argument("root")
    links = sub.add_parser("links")
    links.add_argument("--sdl", nargs="+", required=True)
    links.add_argument("--free", nargs="+", required=True)
    a = parser.parse_args()
    return check_includes(a.root) if a.check == "includes" else check_links(a.sdl, a.free)


if __name__ == "__main__":
    sys.exit(main())
