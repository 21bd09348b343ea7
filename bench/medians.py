#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Runs commands in turn, N rounds (so a slow moment of the machine falls on
# all of them alike), and prints each one's median and fastest wall time
# and its peak memory. A command that fails is reported and stops the run.
# Usage: medians.py N 'command one' 'command two' ...
import shlex
import statistics
import subprocess
import sys
import time

rounds = int(sys.argv[1])
commands = [shlex.split(c) for c in sys.argv[2:]]
times = [[] for _ in commands]
peaks = [0 for _ in commands]
for _ in range(rounds):
    for k, command in enumerate(commands):
        start = time.perf_counter()
        status = subprocess.call(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times[k].append(time.perf_counter() - start)
        if status != 0:
            sys.exit("failed: " + " ".join(command))
# The peak memory from a run of its own under time(1): a child of this
# process would count this process's memory from before it started the
# command.
for k, command in enumerate(commands):
    measured = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True, check=True)
    peaks[k] = int(measured.stderr.strip().splitlines()[-1])
for k, command in enumerate(commands):
    print(f"  median {statistics.median(times[k]) * 1000:7.1f} ms   fastest {min(times[k]) * 1000:7.1f} ms"
          f"   peak {peaks[k] / 1024:5.1f} MB   {' '.join(command)}")
