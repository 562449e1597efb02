#!/usr/bin/env python3
"""Best time per stereo frame of each benchmark in two runs, side by side.

  bench/compare.py before.csv after.csv

Both files are Google Benchmark CSV output with repetitions; the best repetition of
each benchmark counts (the least disturbed on a shared machine). Prints each
benchmark's figure before and after, their ratio, and for the kernel the cost per frame
of each block size relative to 512-frame blocks.
"""
import collections
import csv
import re
import sys


def best_of(path):
    with open(path, newline="") as f:
        rows = [r for r in csv.reader(f) if r]
    header = next(i for i, r in enumerate(rows) if r[0] == "name")
    column = {name: i for i, name in enumerate(rows[header])}
    best = collections.OrderedDict()
    for row in rows[header + 1:]:
        name = row[0]
        if name == "name" or name.endswith(("_mean", "_median", "_stddev", "_cv")) or not row[column["time_per_frame"]]:
            continue
        label = row[column["label"]] if "label" in column else ""
        key = f"{name} {label}".strip()
        best[key] = min(best.get(key, float("inf")), float(row[column["time_per_frame"]]) * 1e9)
    return best


def per_512(figures, name):
    match = re.search(r"block:(\d+)/", name)
    if not match:
        return ""
    at512 = figures.get(name.replace(f"block:{match.group(1)}/", "block:512/"))
    return f"{figures[name] / at512:6.2f}" if at512 else ""


before, after = best_of(sys.argv[1]), best_of(sys.argv[2])
print(f"{'benchmark (ns per stereo frame)':52s} {'before':>8s} {'after':>8s} {'after/before':>13s} "
      f"{'/512 before':>12s} {'/512 after':>11s}")
for name, ns in after.items():
    old = before.get(name)
    ratio = f"{ns / old:13.2f}" if old else f"{'':13s}"
    old_text = f"{old:8.1f}" if old else f"{'-':>8s}"
    print(f"{name:52s} {old_text} {ns:8.1f} {ratio} {per_512(before, name) if old else '':>12s} "
          f"{per_512(after, name):>11s}")
