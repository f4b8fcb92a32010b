#!/usr/bin/python3
"""Cuts the face the page carries down to the characters the game can draw, and writes its
licence beside it.

  face-subset.py --root ROOT --face FACE.ttf --licence COPYRIGHT --out DIR [--list]

The characters are those of every string literal in the program's sources (UTF-8, or CP949
where a literal spells its bytes out, as the speech lines do) and printable ASCII, so a
message added to the code is in the face at the next build. Glyphs, outlines, hinting
programs, metrics and kerning of what is kept are the original's, so every glyph is drawn as
the whole face draws it. The face is renamed, as the SIL Open Font License asks of a modified
version of a face with reserved names; DIR gets corvina-face.ttf and OFL.txt.
Runs under Debian's python3, where python3-fonttools is installed."""
import argparse
import os
import re
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

PROGRAM_FOLDERS = ("app", "core", "ddraw", "game", "gfx", "headless", "platform", "record", "res", "sound",
                   "util", "web")
SOURCES = (".cpp", ".h")
FAMILY = "Corvina Face"
POSTSCRIPT = "CorvinaFace-Regular"
# Comments and character literals are skipped so that a quote inside them pairs with nothing.
TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|\'(?:[^\'\\\n]|\\.)*\'|((?:"(?:[^"\\\n]|\\.)*"\s*)+)', re.DOTALL)
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
ESCAPE = re.compile(r'\\(x[0-9A-Fa-f]+|[0-7]{1,3}|u[0-9A-Fa-f]{4}|U[0-9A-Fa-f]{8}|.)')
SIMPLE = {"n": "\n", "t": "\t", "r": "\r", "0": "\0", "a": "\a", "b": "\b", "f": "\f", "v": "\v"}


def literal_bytes(body):
    """The bytes a C++ literal's body stands for (its source is UTF-8)."""
    out = bytearray()
    at = 0
    for m in ESCAPE.finditer(body):
        out += body[at:m.start()].encode("utf-8")
        e = m.group(1)
        if e[0] == "x":
            out.append(int(e[1:], 16) & 0xFF)
        elif e[0] in "uU":
            out += chr(int(e[1:], 16)).encode("utf-8")
        elif e[0].isdigit() and len(e) > 1 or e[0] in "1234567":
            out.append(int(e, 8) & 0xFF)
        else:
            out += SIMPLE.get(e, e).encode("utf-8")
        at = m.end()
    out += body[at:].encode("utf-8")
    return bytes(out)


def text_of(raw):
    for encoding in ("utf-8", "cp949"):
        try:
            return raw.decode(encoding)
        except UnicodeDecodeError:
            pass
    return raw.decode("utf-8", errors="ignore")


def drawable_characters(root):
    chars = {chr(c) for c in range(0x20, 0x7F)}
    for folder in PROGRAM_FOLDERS:
        for top, dirs, files in os.walk(os.path.join(root, folder)):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(SOURCES):
                    continue
                with open(os.path.join(top, name), encoding="utf-8") as f:
                    source = f.read()
                for token in TOKEN.finditer(source):
                    if token.group(1):
                        # Neighbouring literals are one string: a CP949 pair may straddle them.
                        raw = b"".join(literal_bytes(b) for b in LITERAL.findall(token.group(1)))
                        chars.update(c for c in text_of(raw) if c >= " ")
    return chars


def renamed(font):
    for record in font["name"].names:
        if record.nameID in (1, 4, 16, 18, 21):
            record.string = FAMILY
        elif record.nameID == 3:
            record.string = f"{FAMILY}: a subset of {record.toUnicode()}"
        elif record.nameID in (6, 20):
            record.string = POSTSCRIPT


def licence_text(copyright_file):
    """The OFL stanza of a Debian copyright file, as plain text."""
    with open(copyright_file, encoding="utf-8") as f:
        text = f.read()
    m = re.search(r"^License: OFL-1\.1\n((?:[ \t].*\n?)+)", text, re.MULTILINE)
    if not m:
        sys.exit(f"face-subset: {copyright_file} holds no OFL-1.1 licence")
    return "".join("\n" if line.strip() == "." else line[1:] + "\n" for line in m.group(1).splitlines())


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True)
    parser.add_argument("--face", required=True)
    parser.add_argument("--licence", required=True, help="the face's Debian copyright file")
    parser.add_argument("--out", required=True)
    parser.add_argument("--list", action="store_true", help="print the characters kept")
    a = parser.parse_args()

    chars = drawable_characters(a.root)
    options = subset.Options()
    options.layout_features = ["*"]
    options.legacy_kern = True
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.name_legacy = True
    options.notdef_outline = True
    options.recalc_timestamp = False
    options.drop_tables += ["TSI0", "TSI1", "TSI2", "TSI3", "TSI5"]
    font = TTFont(a.face, recalcTimestamp=False)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=[ord(c) for c in chars])
    subsetter.subset(font)
    missing = sorted(c for c in chars if ord(c) not in font.getBestCmap() and c != " ")
    renamed(font)

    os.makedirs(a.out, exist_ok=True)
    face = os.path.join(a.out, "corvina-face.ttf")
    font.save(face + ".tmp")
    os.replace(face + ".tmp", face)
    with open(os.path.join(a.out, "OFL.txt"), "w", encoding="utf-8") as f:
        f.write(f"corvina-face.ttf is a subset of the NanumGothic face (fonts-nanum), cut down to the\n"
                f"characters the game draws and renamed \"{FAMILY}\" as the licence below asks of a\n"
                f"modified version. Its glyphs are otherwise unchanged. It is under this licence:\n\n")
        f.write(licence_text(a.licence))
    if a.list:
        print("".join(sorted(chars)))
    if missing:
        print(f"face-subset: the face has no glyph for {''.join(missing)!r}", file=sys.stderr)
    print(f"face-subset: {len(chars)} characters, {font['maxp'].numGlyphs} glyphs, "
          f"{os.path.getsize(face)} bytes in {face}")


if __name__ == "__main__":
    main()
