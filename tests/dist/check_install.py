#!/usr/bin/env python3
"""What `cmake --install` puts in place, checked as a desktop and a user would meet it.

Installs the build into a scratch prefix, then checks: the programs run from there (the menu
entry's command lines, `--version`, a short headless run); the icons are PNGs of their sizes
with transparency; the desktop entry names the installed program and icon; the AppStream
metadata names the desktop entry, the programs and a screenshot; every switch the programs
accept is in their manual pages; the changelog's version is the program's; the screenshot the
build took is 640 x 480. The validators (desktop-file-validate, appstreamcli, man) run where
installed, each said when skipped. Exit status 0 when every check passed.
"""
import argparse
import configparser
import gzip
import json
import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

ICON_SIZES = (48, 64, 128, 256)


class Report:
    def __init__(self):
        self.failed = []

    def check(self, name, ok, detail=""):
        print(f"  {'ok  ' if ok else 'FAIL'} {name}{': ' + detail if detail and not ok else ''}", flush=True)
        if not ok:
            self.failed.append(name)
        return ok


def png_header(path):
    """(width, height, colour type) of a PNG file, or None when it is none."""
    with open(path, "rb") as f:
        head = f.read(26)
    if len(head) < 26 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    width, height = struct.unpack(">II", head[16:24])
    return width, height, head[25]


def run(argv, **kw):
    return subprocess.run(argv, capture_output=True, text=True, timeout=60, **kw)


def man_text(path):
    """The page's source with roff's escaped minus signs made plain."""
    with gzip.open(path, "rt", encoding="utf-8") as f:
        return f.read().replace("\\-", "-")


def switches(usage):
    return sorted(set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", usage)))


def check_programs(r, bindir, version):
    for name in ("corvina", "corvina-headless"):
        path = os.path.join(bindir, name)
        r.check(f"{name} installed and executable", os.access(path, os.X_OK), path)
    out = run([os.path.join(bindir, "corvina"), "--version"])
    r.check("corvina --version", out.returncode == 0 and out.stdout.strip() == f"corvina {version}",
            f"status {out.returncode}, {out.stdout.strip()!r}")
    out = run([os.path.join(bindir, "corvina-headless"), "--frames", "3", "--trace"])
    lines = out.stdout.splitlines()
    ok = out.returncode == 0 and len(lines) == 3
    r.check("corvina-headless plays three traced frames",
            ok and [json.loads(line)["frame"] for line in lines] == [1, 2, 3],
            f"status {out.returncode}, {len(lines)} lines, {out.stderr.strip()[:200]}")


def check_desktop_entry(r, prefix, datadir, bindir, version):
    path = os.path.join(prefix, datadir, "applications", "corvina.desktop")
    if not r.check("desktop entry installed", os.path.isfile(path), path):
        return
    entry = configparser.ConfigParser(interpolation=None, strict=False)
    entry.optionxform = str
    entry.read(path, encoding="utf-8")
    main = entry["Desktop Entry"]
    r.check("desktop entry: a game, with the installed icon",
            "Game" in main.get("Categories", "").split(";") and main.get("Icon") == "corvina")
    # Each command line the menu offers, with --version added: the program it names is the
    # installed one and it accepts the switches given there.
    for section in entry.sections():
        if "Exec" not in entry[section]:
            continue
        argv = shlex.split(entry[section]["Exec"])
        argv[0] = os.path.join(bindir, argv[0])
        out = run(argv + ["--version"])
        r.check(f"[{section}] Exec runs the installed program",
                out.returncode == 0 and out.stdout.strip() == f"corvina {version}",
                f"{entry[section]['Exec']!r}: status {out.returncode}, {out.stderr.strip()[:200]}")


def check_icons(r, prefix, datadir):
    for size in ICON_SIZES:
        path = os.path.join(prefix, datadir, "icons", "hicolor", f"{size}x{size}", "apps", "corvina.png")
        header = png_header(path) if os.path.isfile(path) else None
        r.check(f"icon {size} x {size}, with alpha", header == (size, size, 6), f"{path}: {header}")


def check_metainfo(r, prefix, datadir, app_id):
    path = os.path.join(prefix, datadir, "metainfo", f"{app_id}.metainfo.xml")
    if not r.check("AppStream metadata installed", os.path.isfile(path), path):
        return
    root = ET.parse(path).getroot()
    r.check("metadata: id, name and a description",
            root.findtext("id") == app_id and root.findtext("name") == "Corvina" and
            len(root.findall("description/p")) >= 1)
    r.check("metadata: launched by the installed desktop entry",
            root.findtext("launchable") == "corvina.desktop")
    r.check("metadata: provides both programs",
            sorted(b.text for b in root.findall("provides/binary")) == ["corvina", "corvina-headless"])
    r.check("metadata: the project's licence MIT, the metadata's CC0-1.0",
            root.findtext("project_license") == "MIT" and root.findtext("metadata_license") == "CC0-1.0")
    image = root.findtext("screenshots/screenshot/image") or ""
    r.check("metadata: a screenshot", image.endswith("/screenshots/corvina-1.png"), image)


def check_manual_pages(r, prefix, mandir, bindir):
    for program in ("corvina", "corvina-headless"):
        path = os.path.join(prefix, mandir, "man6", f"{program}.6.gz")
        if not r.check(f"manual page {program}.6 installed", os.path.isfile(path), path):
            continue
        text = man_text(path)
        usage = run([os.path.join(bindir, program), "--help"]).stdout
        missing = [s for s in switches(usage) if s not in text]
        r.check(f"{program}.6 names every switch of --help", bool(switches(usage)) and not missing,
                f"missing {missing}")
        if program == "corvina":
            r.check("corvina.6 has its sections",
                    all(f".SH {s}" in text for s in ("OPTIONS", "KEYS", "FILES", "ENVIRONMENT", "EXIT STATUS")))


def licence_matches(copyright_path):
    """The copyright file's Expat stanza says, word for word, what the top LICENSE grants."""
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "LICENSE"), encoding="utf-8") as f:
        grant = f.read().split("\n\n", 2)[2]
    with open(copyright_path, encoding="utf-8") as f:
        text = f.read()
    if not text.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"):
        return False
    stanza = text.split("\nLicense: Expat\n", 2)
    if len(stanza) != 3 or "\nFiles: *\n" not in stanza[0]:
        return False
    body = "\n".join("" if line == " ." else line[1:] for line in stanza[2].splitlines())
    return " ".join(body.split()) == " ".join(grant.split())


def check_documents(r, prefix, docdir, version):
    copyright_path = os.path.join(prefix, docdir, "copyright")
    if r.check("copyright installed", os.path.isfile(copyright_path), copyright_path):
        r.check("copyright: machine-readable, under the licence LICENSE holds", licence_matches(copyright_path))
    changelog = os.path.join(prefix, docdir, "changelog.gz")
    first = ""
    if os.path.isfile(changelog):
        with gzip.open(changelog, "rt", encoding="utf-8") as f:
            first = f.readline().strip()
    r.check("changelog's latest entry is this version", first.startswith(f"corvina ({version})"), first)


def validate(r, prefix, datadir, mandir, app_id):
    def tool(name, argv, clean):
        if shutil.which(argv[0]) is None:
            print(f"  skipped: {name} ({argv[0]} not installed; scripts/install-deps.sh installs it)")
            return
        out = run(argv, env={**os.environ, "MANWIDTH": "80"})
        r.check(name, clean(out), (out.stdout + out.stderr).strip()[:400])

    desktop = os.path.join(prefix, datadir, "applications", "corvina.desktop")
    tool("desktop-file-validate", ["desktop-file-validate", desktop],
         lambda o: o.returncode == 0 and not o.stdout.strip())
    metainfo = os.path.join(prefix, datadir, "metainfo", f"{app_id}.metainfo.xml")
    tool("appstreamcli validate", ["appstreamcli", "validate", "--no-net", metainfo], lambda o: o.returncode == 0)
    for program in ("corvina", "corvina-headless"):
        page = os.path.join(prefix, mandir, "man6", f"{program}.6.gz")
        tool(f"man --warnings {program}.6", ["man", "--warnings", "-l", page],
             lambda o: o.returncode == 0 and not o.stderr.strip())


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--build", required=True, help="the configured and built directory")
    parser.add_argument("--prefix", required=True, help="scratch prefix, emptied first")
    parser.add_argument("--version", required=True)
    parser.add_argument("--app-id", required=True)
    for d in ("bindir", "datadir", "mandir", "docdir"):
        parser.add_argument(f"--{d}", required=True, help="relative to the prefix")
    args = parser.parse_args()

    shutil.rmtree(args.prefix, ignore_errors=True)
    out = run([args.cmake, "--install", args.build, "--prefix", args.prefix])
    if out.returncode != 0:
        print(f"FAILED: cmake --install: {out.stdout}{out.stderr}")
        return 1
    bindir = os.path.join(args.prefix, args.bindir)
    r = Report()
    check_programs(r, bindir, args.version)
    check_desktop_entry(r, args.prefix, args.datadir, bindir, args.version)
    check_icons(r, args.prefix, args.datadir)
    check_metainfo(r, args.prefix, args.datadir, args.app_id)
    check_manual_pages(r, args.prefix, args.mandir, bindir)
    check_documents(r, args.prefix, args.docdir, args.version)
    shot = os.path.join(args.build, "dist", "corvina-1.png")
    r.check("the build's screenshot is a 640 x 480 picture", os.path.isfile(shot) and png_header(shot) == (640, 480, 2),
            shot)
    validate(r, args.prefix, args.datadir, args.mandir, args.app_id)
    print("passed" if not r.failed else f"FAILED: {', '.join(r.failed)}")
    return 1 if r.failed else 0


if __name__ == "__main__":
    sys.exit(main())
