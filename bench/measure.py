#!/usr/bin/env python3
"""Times several commands side by side in the same run and prints medians and peak memory.

Usage: measure.py [--cold] [--runs N] [--json FILE] NAME=COMMAND ...
  COMMAND is split on spaces (no quoting: paths with spaces are not supported).

Every round runs each command once, the order rotating from round to round so that no tool
always follows the same neighbour. Warm mode runs one untimed round first. Cold mode drops the
page cache (sync; echo 3 > /proc/sys/vm/drop_caches, root only) before every single run.
Peak memory is GNU time's maximum resident set size of each run; the median is reported.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

GNU_TIME = "/usr/bin/time"


def drop_caches():
    subprocess.run(["sync"], check=True)
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


def can_drop_caches():
    try:
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def run_once(argv, cold):
    """Wall seconds and peak KiB of one run; the command's output is discarded."""
    if cold:
        drop_caches()
    with tempfile.NamedTemporaryFile("r") as out:
        start = time.perf_counter()
        r = subprocess.run([GNU_TIME, "-f", "%M", "-o", out.name] + argv,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        wall = time.perf_counter() - start
        lines = [l for l in out.read().splitlines() if l.strip()]
    if r.returncode not in (0, 3) or not lines:  # vantum-cli exits 3 when folders were unreadable
        sys.exit("failed (%d): %s\n%s" % (r.returncode, " ".join(argv), r.stderr.decode(errors="replace")))
    return wall, int(lines[-1])


def measure(commands, runs, cold):
    names = list(commands)
    times = {n: [] for n in names}
    mem = {n: [] for n in names}
    if not cold:
        for n in names:
            run_once(commands[n], False)
    for i in range(runs):
        order = names[i % len(names):] + names[:i % len(names)]
        for n in order:
            wall, kib = run_once(commands[n], cold)
            times[n].append(wall)
            mem[n].append(kib)
            print("  round %d/%d %-10s %8.3f s %8.1f MiB" % (i + 1, runs, n, wall, kib / 1024), file=sys.stderr)
    return {n: {"median_s": statistics.median(times[n]), "min_s": min(times[n]), "times": times[n],
                "peak_kib": statistics.median(mem[n])} for n in names}


def main(args):
    cold, runs, out = False, 5, None
    commands = {}
    i = 0
    while i < len(args):
        a = args[i]
        if a == "--cold":
            cold = True
        elif a == "--runs":
            i += 1
            runs = int(args[i])
        elif a == "--json":
            i += 1
            out = args[i]
        elif "=" in a:
            name, cmd = a.split("=", 1)
            commands[name] = cmd.split()
        else:
            sys.exit(__doc__)
        i += 1
    if not commands or runs < 1:
        sys.exit(__doc__)
    if cold and not can_drop_caches():
        sys.exit("cold runs need a writable /proc/sys/vm/drop_caches (root, not in a read-only container)")
    res = measure(commands, runs, cold)
    print("%-14s %10s %10s %10s" % ("tool", "median s", "min s", "peak MiB"))
    for n, r in res.items():
        print("%-14s %10.3f %10.3f %10.1f" % (n, r["median_s"], r["min_s"], r["peak_kib"] / 1024))
    if out:
        with open(out, "w") as f:
            json.dump(res, f)


if __name__ == "__main__":
    main(sys.argv[1:])
