"""Processor time of a running process, for the checks and measures that run the real program."""
import os


def _schedstat_seconds(pid, field):
    """One field of the scheduler's nanosecond counts, summed over the process's threads."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[field])
        except (FileNotFoundError, ProcessLookupError):
            pass  # a thread that ended in between
    return total / 1e9


def cpu_seconds(pid):
    """Processor time of all the process's threads so far, from the scheduler's nanosecond clock
    (a paced frame that draws little costs a fraction of a clock tick)."""
    return _schedstat_seconds(pid, 0)


def waiting_seconds(pid):
    """Time the process's threads have spent ready to run while others had the processor."""
    return _schedstat_seconds(pid, 1)
