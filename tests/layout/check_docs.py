#!/usr/bin/env python3
"""The documents keep their promises: the README gets a player playing (how to play inside its
first 4,000 characters, the whole under 10,000), every relative link of the README and docs/
leads to a file, and every test the bad-input table names by fixture and case exists.

  check_docs.py ROOT"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from check_report import Problems, run_check  # noqa: E402

README_LIMIT = 10_000
HOW_TO_PLAY_LIMIT = 4_000
LINK = re.compile(r"\]\(([^)#\s]+)(?:#[^)]*)?\)")
# `Fixture.Case…`, `Fixture.Case` or `Fixture.*` in the table's last column.
NAMED_TEST = re.compile(r"`([A-Z]\w*)\.(\*|\w+)(…)?`")
TEST_MACRO = re.compile(r"\bTEST(?:_F|_P)?\(\s*(\w+)\s*,\s*(\w+)\s*\)")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def gtest_cases(root):
    cases = set()
    for folder, dirs, files in os.walk(os.path.join(root, "tests")):
        dirs.sort()
        for name in files:
            if name.endswith(".cpp"):
                cases.update(TEST_MACRO.findall(read(os.path.join(folder, name))))
    return cases


def table_rows(text):
    return [line for line in text.splitlines() if line.startswith("|") and not line.startswith("|---")]


def docs_problems(root):
    problems = Problems()
    readme = read(os.path.join(root, "README.md"))
    if len(readme) >= README_LIMIT:
        problems.append(f"README.md has {len(readme)} characters; it should stay under {README_LIMIT}")
    play = readme.find("\n## How to play\n")
    after = readme.find("\n## ", play + 1) if play >= 0 else -1
    if play < 0 or after < 0 or after > HOW_TO_PLAY_LIMIT:
        problems.append(f"README.md: 'How to play' should end within its first {HOW_TO_PLAY_LIMIT} characters "
                        f"(it starts at {play}, the next section at {after})")

    docs = os.path.join(root, "docs")
    pages = ["README.md"] + sorted(os.path.join("docs", n) for n in os.listdir(docs) if n.endswith(".md"))
    for page in pages:
        here = os.path.dirname(os.path.join(root, page))
        for target in LINK.findall(read(os.path.join(root, page))):
            if "://" not in target and not os.path.exists(os.path.join(here, target)):
                problems.append(f"{page}: the link to {target} leads nowhere")

    cases = gtest_cases(root)
    rows = table_rows(read(os.path.join(docs, "bad-input.md")))
    named = 0
    for row in rows:
        tested_by = row.rstrip("| ").rsplit("|", 1)[-1]
        for fixture, case, cut in NAMED_TEST.findall(tested_by):
            named += 1
            if not any(f == fixture and (case == "*" or c == case or (cut and c.startswith(case))) for f, c in cases):
                problems.append(f"docs/bad-input.md names {fixture}.{case}{cut}, which no test under tests/ is")
    if named < 10:
        problems.append(f"docs/bad-input.md: only {named} tests named; the table was not read")
    return problems


if __name__ == "__main__":
    sys.exit(run_check(docs_problems, ["ROOT"]))
