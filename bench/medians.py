#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Runs commands in turn, N rounds (so a slow moment of the machine falls on
# all of them alike), and prints each one's median and fastest wall time
# and its peak memory. A command that fails is reported and stops the run.
# Usage: medians.py N 'command one' 'command two' ...
import os
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
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        times[k].append(time.perf_counter() - start)
        peaks[k] = max(peaks[k], usage.ru_maxrss)
        if status != 0:
            sys.exit("failed: " + " ".join(command))
for k, command in enumerate(commands):
    print(f"  median {statistics.median(times[k]) * 1000:7.1f} ms   fastest {min(times[k]) * 1000:7.1f} ms"
          f"   peak {peaks[k] / 1024:5.1f} MB   {' '.join(command)}")
