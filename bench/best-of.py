#!/usr/bin/env python3
"""Reads Google Benchmark CSV (run with --benchmark_repetitions=N --benchmark_format=csv)
and prints, per benchmark, the best time per frame of its repetitions: on a shared
machine the fastest run is the one least disturbed."""
import collections
import csv
import sys

rows = list(csv.reader(sys.stdin))
header = {name: i for i, name in enumerate(rows[0])}
best = collections.OrderedDict()
labels = {}
for row in rows[1:]:
    name = row[0]
    if name.endswith(("_mean", "_median", "_stddev", "_cv")):
        continue
    ns = float(row[header["time_per_frame"]]) * 1e9
    best[name] = min(best.get(name, float("inf")), ns)
    labels[name] = row[header["label"]] if "label" in header else ""
for name, ns in best.items():
    print(f"{name:45s} {ns:9.1f} ns/frame {48000 / (ns * 1e-9) / 48000 / 1000:8.0f}k× {labels[name]}".replace("k×", "× realtime").replace(f"{48000 / (ns * 1e-9) / 48000 / 1000:8.0f}", f"{1e9 / ns / 48000:8.0f}"))
