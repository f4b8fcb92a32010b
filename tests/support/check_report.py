"""The frame of a check run as a script: its arguments, the problems it finds, one line each,
then the closing line ctest's log is read for."""
import os
import sys


class Problems(list):
    """What a check found wrong, in the order found."""

    def check(self, what, ok, detail=""):
        if not ok:
            self.append(f"{what} {detail}".strip())
        return ok


def run_check(check, names):
    """check(*arguments) with the command line's arguments, one for each of names (the usage and
    status 2 when they differ in number); it answers its problems. Prints each, then 'passed' or
    'FAILED: N problem(s)'; the exit status: 0 when there were none."""
    if len(sys.argv) != len(names) + 1:
        print(f"usage: {os.path.basename(sys.argv[0])} {' '.join(names)}", file=sys.stderr)
        return 2
    problems = check(*sys.argv[1:])
    for p in problems:
        print(p)
    print("passed" if not problems else f"FAILED: {len(problems)} problem(s)")
    return 1 if problems else 0
