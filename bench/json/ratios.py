#!/usr/bin/env python3
"""Prints how much faster Sweeplight's reader is than nlohmann::json and RapidJSON.

usage: json_bench --benchmark_format=json [--benchmark_repetitions=N] | bench/json/ratios.py
A ratio above 1 means Sweeplight's reader takes less CPU time (CPU rather than wall time,
as the machine is shared); medians are used when repeated.
"""
import json
import statistics
import sys
from collections import defaultdict

report = json.load(sys.stdin)
times = defaultdict(list)
for run in report["benchmarks"]:
    if run.get("run_type") == "aggregate" or run.get("error_occurred"):
        continue
    reader, document = run["run_name"].split("/")[:2]
    times[(reader, document)].append(run["cpu_time"])

for document in ("Messages", "Numbers", "Strings"):
    ours = statistics.median(times[("Sweeplight", document)])
    line = f"{document:9s} Sweeplight {ours:7.2f} ms"
    for other in ("Nlohmann", "RapidJSON"):
        theirs = statistics.median(times[(other, document)])
        line += f" | {other} {theirs:7.2f} ms, ratio {theirs / ours:5.2f}"
    print(line)
