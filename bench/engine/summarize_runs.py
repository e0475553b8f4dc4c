#!/usr/bin/env python3
"""Summarises several saved outputs of engine_bench (its "least of the
repetitions" table): for every cell the median over the runs, then per
column the mean and the largest over the factory programs and the default.

    summarize_runs.py run1.txt run2.txt run3.txt
"""
import statistics
import sys

COLUMNS = ["double 64", "double 512", "double 4096", "float 64", "float 512", "float 4096",
           "adding 64", "adding 512", "adding 4096"]


def least_table(path):
    rows, inside = {}, False
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("least of the repetitions"):
                inside = True
            if inside and line.startswith("| ") and line[2].isdigit() and "decayed" not in line:
                cells = [c.strip() for c in line.strip().strip("|").split("|")]
                rows[cells[0]] = [float(c) if c else float("nan") for c in cells[1:]]
    return rows


def main(paths):
    runs = [least_table(p) for p in paths]
    programs = [p for p in runs[0] if all(p in r for r in runs)]
    if not programs:
        sys.exit("no program rows in " + ", ".join(paths))
    medians = {p: [statistics.median(r[p][i] for r in runs) for i in range(len(COLUMNS))] for p in programs}
    print(f"{len(runs)} runs, {len(programs)} programs; per cell the median over the runs")
    print("| | " + " | ".join(COLUMNS) + " |")
    print("|---|" + "---|" * len(COLUMNS))
    for label, pick in (("mean over the programs", statistics.mean), ("largest", max)):
        print(f"| {label} | " + " | ".join(f"{pick(medians[p][i] for p in programs):.2f}"
                                         for i in range(len(COLUMNS))) + " |")
    worst = max(programs, key=lambda p: max(medians[p]))
    print(f"| {worst} | " + " | ".join(f"{v:.2f}" for v in medians[worst]) + " |")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1:])
