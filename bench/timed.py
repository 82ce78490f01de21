#!/usr/bin/env python3
"""Runs a program once and prints its wall time in milliseconds and its peak resident memory in
kilobytes, "12.34 5678", its output going to LOG.

    bench/timed.py LOG PROGRAM [ARGUMENTS...]

The clock runs from just before the program is started to the moment it has been waited for, so
it holds the whole process (loading, running, exiting) and no shell, to hundredths of a
millisecond, which matters where a whole run takes 10 ms. The memory is GNU time's reading: a
process started from this one would count this one's pages as its own peak (Linux keeps the
peak across exec), so GNU time starts it, from a process of a few hundred kilobytes; its own
start, about half a millisecond, is in every run's time alike. Exits with the program's status.
"""
import os
import sys
import time


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: timed.py LOG PROGRAM [ARGUMENTS...]")
    log, program = sys.argv[1], sys.argv[2:]
    memory = log + ".rss"
    argv = ["/usr/bin/time", "-f", "%M", "-o", memory] + program
    out = os.open(log, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    actions = [(os.POSIX_SPAWN_DUP2, out, 1), (os.POSIX_SPAWN_DUP2, out, 2)]
    start = time.perf_counter_ns()
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=actions)
    _, status = os.waitpid(pid, 0)
    end = time.perf_counter_ns()
    os.close(out)
    with open(memory) as f:
        kilobytes = f.read().split()[-1]
    os.remove(memory)
    print(f"{(end - start) / 1e6:.2f} {kilobytes}")
    sys.exit(os.waitstatus_to_exitcode(status) & 0xFF)


if __name__ == "__main__":
    main()
