#!/usr/bin/env python3
"""No tracked file holds what a merge left of a conflict: a line starting "<<<<<<< " or
">>>>>>> ", or "=======" alone. Files holding a NUL byte (pictures, sounds) are skipped; outside
a git checkout every file under ROOT but the hidden folders and build trees is read.

  check_conflicts.py ROOT"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from check_report import Problems, run_check  # noqa: E402

MARKER = re.compile(rb"^(?:<<<<<<< |>>>>>>> |=======\r?$)", re.MULTILINE)


def tracked_files(root):
    try:
        listed = subprocess.run(["git", "-C", root, "ls-files", "-z"], capture_output=True, check=True).stdout
        return [name.decode() for name in listed.split(b"\0") if name]
    except (OSError, subprocess.CalledProcessError):
        files = []
        for folder, dirs, names in os.walk(root):
            dirs[:] = sorted(d for d in dirs if not d.startswith(".") and not d.startswith("build"))
            files.extend(os.path.relpath(os.path.join(folder, n), root) for n in sorted(names))
        return files


def conflict_problems(root):
    problems = Problems()
    files = tracked_files(root)
    for name in files:
        path = os.path.join(root, name)
        if not os.path.isfile(path):
            continue  # deleted in the checkout, or a link to a folder
        with open(path, "rb") as f:
            data = f.read()
        if b"\0" in data:
            continue
        for match in MARKER.finditer(data):
            line = data.count(b"\n", 0, match.start()) + 1
            problems.append(f"{name}:{line}: a merge conflict's marker: {match.group().decode().strip()}")
    problems.check("the files read:", len(files) >= 100, f"only {len(files)}; the checkout was not found")
    return problems


if __name__ == "__main__":
    sys.exit(run_check(conflict_problems, ["ROOT"]))
