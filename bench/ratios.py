#!/usr/bin/python3
"""Runs the engine benchmarks once and reports each engine operation against its baseline.

  bench/ratios.py [path/to/engine_bench] [extra benchmark flags...]

"ratio" compares the medians of separate repeated runs; "paired" is the median ratio of
engine and baseline run back to back, pair by pair, which a shared, noisy machine disturbs least
and which is checked against the goal. Goals are reported, not enforced.
"""

import json
import subprocess
import sys
from pathlib import Path

# (what, engine benchmark, baseline benchmark, paired-ratio benchmark, goal)
PAIRS = [
    ("Read a 256-colour file", "BM_ReadLogoFile", "BM_PlainRead", "BM_ReadRatio", 2.0),
    ("Export 255 frames", "BM_ExportFrames255", "BM_PlainWrite255", "BM_ExportRatio", 1.3),
]


def main():
    root = Path(__file__).resolve().parent.parent
    binary = sys.argv[1] if len(sys.argv) > 1 else str(root / "build/bench/engine_bench")
    flags = sys.argv[2:] or ["--benchmark_min_time=0.3"]
    out = subprocess.run([binary, "--benchmark_format=json", "--benchmark_repetitions=5",
                          "--benchmark_report_aggregates_only=true"] + flags,
                         check=True, capture_output=True, text=True).stdout
    medians, ratios = {}, {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = (b["real_time"], b["time_unit"])
            if "ratio" in b:
                ratios[b["run_name"].split("/")[0]] = b["ratio"]

    def ns(name):
        value, unit = medians[name]
        return value * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[unit]

    print(f"{'measure':24} {'engine':>12} {'baseline':>12} {'ratio':>7} {'paired':>7} {'goal':>6}")
    for label, engine, baseline, paired, goal in PAIRS:
        ratio = ns(engine) / ns(baseline)
        pair = ratios[paired]
        print(f"{label:24} {ns(engine) / 1e3:>10.1f}us {ns(baseline) / 1e3:>10.1f}us "
              f"{ratio:>6.2f}x {pair:>6.2f}x {goal:>5.1f}x {'ok' if pair <= goal else 'OVER'}")
    for name in sorted(medians):
        if name.startswith("BM_RotatePalette"):
            print(f"RotatePalette, span {name.split('/')[-1]:>3}      {ns(name):>8.1f} ns per step")


if __name__ == "__main__":
    main()
