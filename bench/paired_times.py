#!/usr/bin/python3
"""Times whole programs side by side in paired rounds: every round runs each program once, in
an order that turns from round to round, and the medians of the wall-clock times and of the
rounds' ratios between the first program and each other are printed. A round before the counted ones warms the
caches.

Usage: paired_times.py ROUNDS 'NAME=COMMAND ARGS' 'NAME=COMMAND ARGS' ...   (first: the base)
"""
import shlex
import statistics
import subprocess
import sys
import time


def main(rounds, entries):
    names = [entry.split("=", 1)[0] for entry in entries]
    commands = [shlex.split(entry.split("=", 1)[1]) for entry in entries]
    times = [[] for _ in entries]
    for r in range(rounds + 1):
        order = list(range(len(entries)))
        order = order[r % len(order):] + order[:r % len(order)]
        for k in order:
            start = time.perf_counter()
            subprocess.run(commands[k], check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            if r > 0:
                times[k].append(time.perf_counter() - start)
    width = max(len(name) for name in names)
    for name, t in zip(names, times):
        print(f"{name:{width}}  median {statistics.median(t):.4f} s"
              f"  (min {min(t):.4f}, max {max(t):.4f})")
    for name, t in zip(names[1:], times[1:]):
        ratio = statistics.median(a / b for a, b in zip(t, times[0]))
        print(f"{names[0]} / {name}: {1 / ratio:.2f}, {name} / {names[0]}: {ratio:.2f}"
              f"  (medians of {rounds} paired ratios)")


if __name__ == "__main__":
    main(int(sys.argv[1]), sys.argv[2:])
