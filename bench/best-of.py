#!/usr/bin/env python3
"""Best time per stereo frame of each benchmark over its repetitions.

  build/bench/drollicant_bench --benchmark_repetitions=7 --benchmark_format=csv | bench/best-of.py

On a shared machine the fastest repetition is the one least disturbed by others.
"""
import collections
import csv
import sys

SAMPLE_RATE = 48000.0

rows = list(csv.reader(sys.stdin))
column = {name: i for i, name in enumerate(rows[0])}
best = collections.OrderedDict()
labels = {}
for row in rows[1:]:
    name = row[0]
    if name.endswith(("_mean", "_median", "_stddev", "_cv")) or not row[column["time_per_frame"]]:
        continue
    seconds = float(row[column["time_per_frame"]])
    best[name] = min(best.get(name, float("inf")), seconds)
    labels[name] = row[column["label"]] if "label" in column else ""
for name, seconds in best.items():
    print(f"{name:45s} {seconds * 1e9:9.1f} ns/frame {1 / (seconds * SAMPLE_RATE):7.0f}x real time  {labels[name]}")
