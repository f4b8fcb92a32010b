"""Processor time of a running process, for the checks and measures that run the real program."""
import os


def cpu_seconds(pid):
    """Processor time of all the process's threads so far, from the scheduler's nanosecond clock
    (a paced frame that draws little costs a fraction of a clock tick)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass  # a thread that ended in between
    return total / 1e9


def waiting_seconds(pid):
    """Time the process's threads have spent ready to run while others had the processor."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[1])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total / 1e9
