"""Waiting for what a check needs (a window, a file, a line, a picture) with a deadline: on a busy
machine things come late, and a fixed sleep is only a guess at how late."""

import time


def wait_until(sample, good, timeout, step=0.1):
    """sample()'s first answer that good() takes, asked every step seconds; after timeout seconds
    its last answer, whatever it is, so that the check that follows can say what it saw."""
    deadline = time.monotonic() + timeout
    while True:
        answer = sample()
        if good(answer) or time.monotonic() >= deadline:
            return answer
        time.sleep(step)


def wait_for(condition, timeout, what, step=0.1):
    """condition()'s first true answer within timeout seconds; AssertionError naming what when
    none comes."""
    answer = wait_until(condition, bool, timeout, step)
    if not answer:
        raise AssertionError(f"no {what} within {timeout} s")
    return answer
