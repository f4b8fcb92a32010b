#!/usr/bin/env python3
"""SDL stays in its corner: no file outside platform/sdl/ includes an SDL header (the drawing
benchmark, which measures SDL's own blits, the least SDL program the presentation is measured
beside, and the SDL back ends' tests excepted), and no program
but the SDL ones has libSDL2 among its libraries. The layers only look down: no include runs
from a layer to one above it, and the graphics files (blit, ddraw, gfx) include no circle.

  check_layers.py includes ROOT
  check_layers.py links --sdl PROGRAM... --free PROGRAM...
  check_layers.py graph ROOT

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


# The layers, lowest first, as CONTRIBUTING.md draws them. The platform's implementations sit
# on the seam they implement.
LAYERS = ("core", "platform", "platform/sdl platform/headless platform/web", "util", "tools/mkassets", "res",
          "blit", "ddraw", "gfx", "sound", "game", "record", "app", "headless", "web")
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders.split()}
GRAPHICS = ("blit", "ddraw", "gfx")
QUOTED_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def layer_of(rel):
    """The deepest layer folder holding rel, or None outside the layers."""
    folder = os.path.dirname(rel)
    while folder and folder not in RANK:
        folder = os.path.dirname(folder)
    return folder or None


def include_graph(root):
    """{file: set of included files}, between files of the layers, a file named without its
    extension so that a header and its source are one node."""
    graph = {}
    for rel, path in source_files(root):
        if layer_of(rel) is None:
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            targets = {os.path.splitext(i)[0] for i in QUOTED_INCLUDE.findall(f.read()) if layer_of(i)}
        node = os.path.splitext(rel)[0]
        graph.setdefault(node, set()).update(targets - {node})
    return graph


def circles(graph):
    """The strongly connected groups of more than one node (Tarjan, iterative)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, edges = work[-1]
            nxt = next(edges, None)
            if nxt is None:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[node])
                if low[node] == index[node]:
                    group = set()
                    while True:
                        member = stack.pop()
                        on_stack.discard(member)
                        group.add(member)
                        if member == node:
                            break
                    if len(group) > 1:
                        found.append(group)
            elif nxt not in index:
                index[nxt] = low[nxt] = len(index)
                stack.append(nxt)
                on_stack.add(nxt)
                work.append((nxt, iter(sorted(graph.get(nxt, ())))))
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
    return found


def check_graph(root):
    graph = include_graph(root)
    failed, across = 0, 0
    for node in sorted(graph):
        for target in sorted(graph[node]):
            here, there = layer_of(node + ".h"), layer_of(target + ".h")
            if here == there:
                continue
            across += 1
            if RANK[there] > RANK[here]:
                print("FAIL  %s includes %s: %s lies above %s" % (node, target, there, here))
                failed += 1
    graphics = {n: {t for t in ts if layer_of(t + ".h") in GRAPHICS}
                for n, ts in graph.items() if layer_of(n + ".h") in GRAPHICS}
    for group in circles(graphics):
        print("FAIL  a circle among graphics files: %s" % ", ".join(sorted(group)))
        failed += 1
    if across == 0:
        print("FAIL  no include between layers found: the pattern is broken")
        return 1
    print("%d includes between layers, %d faults" % (across, failed))
    return 1 if failed else 0


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
    sub.add_parser("graph").add_argument("root")
    a = parser.parse_args()
    if a.check == "includes":
        return check_includes(a.root)
    return check_graph(a.root) if a.check == "graph" else check_links(a.sdl, a.free)


if __name__ == "__main__":
    sys.exit(main())
