#!/usr/bin/python3
"""Runs the benchmarks once and reports each operation against its baseline.

  bench/ratios.py [BUILD_FOLDER] [extra benchmark flags...]

"ratio" compares the medians of separate repeated runs; "paired" is the median ratio of
operation and baseline run back to back, pair by pair, which a shared, noisy machine disturbs
least and which is checked against the goal. Goals are reported, not enforced.
"""

import json
import subprocess
import sys
from pathlib import Path

# program -> [(what, operation benchmark, baseline benchmark, paired-ratio benchmark, goal)]
PAIRS = {
    "engine_bench": [
        ("Read a 256-colour file", "BM_ReadLogoFile", "BM_PlainRead", "BM_ReadRatio", 2.0),
        ("Export 255 frames", "BM_ExportFrames255", "BM_PlainWrite255", "BM_ExportRatio", 1.3),
        ("Colour exchange", "BM_SwapPaletteEntries", "BM_PlainBytePass", "BM_SwapRatio", 2.0),
        ("GIF of 255 steps vs BMPs", "BM_GifExport255", "BM_ExportFrames255", "BM_GifRatio", None),
    ],
    "window_bench": [
        ("Range-control event", "BM_RangeDrag", "BM_BareLookupPass", "BM_RangeDragRatio", 5.0),
        ("Preview tick", "BM_PreviewTick", "BM_BareDoubleLookupPass", "BM_PreviewTickRatio", None),
        ("Export from the window", "BM_WindowExport255", "BM_EngineExport255",
         "BM_WindowExportRatio", 1.3),
    ],
}


def run(binary, flags):
    out = subprocess.run([binary, "--benchmark_format=json", "--benchmark_repetitions=5",
                          "--benchmark_report_aggregates_only=true"] + flags,
                         check=True, capture_output=True, text=True).stdout
    medians, ratios = {}, {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            value = b["real_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
            medians[b["run_name"]] = value
            if "ratio" in b:
                ratios[b["run_name"].split("/")[0]] = b["ratio"]
    return medians, ratios


def main():
    root = Path(__file__).resolve().parent.parent
    build = Path(sys.argv[1]) if len(sys.argv) > 1 else root / "build"
    flags = sys.argv[2:] or ["--benchmark_min_time=0.3"]
    print(f"{'measure':24} {'operation':>12} {'baseline':>12} {'ratio':>7} {'paired':>7} {'goal':>6}")
    rotations = {}
    for program, pairs in PAIRS.items():
        binary = build / "bench" / program
        if not binary.exists():
            print(f"{program}: not built, skipped")
            continue
        medians, ratios = run(str(binary), flags)
        for label, operation, baseline, paired, goal in pairs:
            ratio = medians[operation] / medians[baseline]
            pair = ratios[paired]
            verdict = "" if goal is None else f"{goal:>5.1f}x {'ok' if pair <= goal else 'OVER'}"
            print(f"{label:24} {medians[operation] / 1e3:>10.1f}us {medians[baseline] / 1e3:>10.1f}us "
                  f"{ratio:>6.2f}x {pair:>6.2f}x {verdict}")
        rotations.update({k: v for k, v in medians.items() if k.startswith("BM_RotatePalette")})
        # RangeJump is the worst range event: every entry changes, so every pixel is redrawn.
        for name, goal_us in (("BM_PaletteHover", 50), ("BM_RangeDrag", 100), ("BM_RangeJump", 100),
                              ("BM_PreviewTick", 1000)):
            if name in medians:
                us = medians[name] / 1e3
                print(f"{name[3:]:24} {us:>10.1f}us per event{'':21} {goal_us:>5}us "
                      f"{'ok' if us <= goal_us else 'OVER'}")
    for name in sorted(rotations):
        print(f"RotatePalette, span {name.split('/')[-1]:>3}      {rotations[name]:>8.1f} ns per step")


if __name__ == "__main__":
    main()
