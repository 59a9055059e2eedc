#!/usr/bin/env python3
# bench/summarize.py: turns the RESULT lines of tovra_bench into the table and the goals.
# Arguments: the results file, then the sizes of FileEntry and FolderNode in the 32-bit
# and in the 64-bit build.
import statistics
import sys
from collections import defaultdict

GIB = 1 << 30


def load(path):
    samples = defaultdict(list)
    header = None
    with open(path) as f:
        for line in f:
            if line.startswith("tovra_bench:") and header is None:
                header = line.strip()
            if not line.startswith("RESULT "):
                continue
            _, figure, size, series, value = line.split()
            samples[(figure, int(size), series)].append(float(value))
    return samples, header


def stats(values):
    return min(values), statistics.median(values)


def main():
    path = sys.argv[1]
    entry32, node32, entry64, node64 = (int(x) for x in sys.argv[2:6])
    samples, header = load(path)
    sizes = sorted({size for (figure, size, _) in samples if figure == "scan"})
    rows = []
    goals = []

    def row(figure, size, tovra, floor, unit="s"):
        tmin, tmed = stats(tovra)
        fmin, fmed = stats(floor)
        rows.append((figure, size, "%.3f / %.3f" % (tmin, tmed), "%.3f / %.3f" % (fmin, fmed), tmin / fmin, tmed / fmed))
        return tmin / fmin, tmed / fmed

    print()
    print("Tovra benchmark: %s" % (header or "?"))
    print("All figures come from the 64-bit build running under Wine on this machine; the product is")
    print("the 32-bit build, which cannot run here. Times in seconds, minimum / median of the repetitions.")
    print()
    for size in sizes:
        floors = [samples[("scan", size, s)] for s in ("floor_findex", "floor_dirinfo") if samples[("scan", size, s)]]
        # The floor is the faster of the two enumeration calls, repetition by repetition.
        floor = [min(values) for values in zip(*floors)]
        ratio_min, ratio_med = row("1-2 scan+sort", size, samples[("scan", size, "tovra_pass")], floor)
        if size >= 100000:
            goals.append(("scan and sort within 1.2 x floor at %d files" % size, ratio_med <= 1.2,
                          "median ratio %.2f (minimum ratio %.2f)" % (ratio_med, ratio_min)))
    deletion = samples[("delete", 10000, "pass")]
    if deletion:
        ratio_min, ratio_med = row("3 delete", 10000, deletion, samples[("delete", 10000, "floor")])
        deleted = samples[("delete", 10000, "pass_deleted")] + samples[("delete", 10000, "floor_deleted")]
        goals.append(("deleting within 1.5 x floor, log lines included", ratio_med <= 1.5,
                      "median ratio %.2f; files deleted per run: %s" % (ratio_med, sorted(set(int(d) for d in deleted)))))
    report_total = samples[("report", 20000, "total")]
    if report_total:
        first = samples[("report", 20000, "first_2000")]
        last = samples[("report", 20000, "last_2000")]
        tmin, tmed = stats(report_total)
        rows.append(("4 report total", 20000, "%.3f / %.3f" % (tmin, tmed), "-", None, None))
        row("4 last/first 2000", 20000, last, first)
        whole = all(w == 1 for w in samples[("report", 20000, "whole")])
        lines = sorted(set(int(x) for x in samples[("report", 20000, "lines")]))
        ratio = statistics.median(last) / statistics.median(first)
        goals.append(("report arrives whole", whole, "%s lines per run" % lines))
        goals.append(("last 2,000 report lines cost at most 1.5 x the first 2,000", ratio <= 1.5,
                      "median last %.3f s, median first %.3f s, ratio %.2f" % (statistics.median(last), statistics.median(first), ratio)))

    print("%-20s %9s  %-19s %-19s %s" % ("figure", "size", "Tovra (min / med)", "floor (min / med)", "ratio (min / med)"))
    for figure, size, tovra, floor, rmin, rmed in rows:
        ratio = "-" if rmin is None else "%.2f / %.2f" % (rmin, rmed)
        print("%-20s %9d  %-19s %-19s %s" % (figure, size, tovra, floor, ratio))
    print("(floor of 1-2: the faster of FindFirstFileExW with large fetches and the directory-information")
    print(" query, counting files only; floor of 3: DeleteFileW over the same files in the same order;")
    print(" 'floor' of the last/first row: the time of the first 2,000 lines of the same report)")

    print()
    print("Where the time goes (minimum over repetitions, seconds):")
    for size in sizes:
        parts = []
        for figure, series in (("scan", "reader_only"), ("stages", "walk"), ("stages", "sort"),
                               ("stages", "release"), ("stages", "match_only")):
            if samples[(figure, size, series)]:
                parts.append("%s %.3f" % (series, min(samples[(figure, size, series)])))
        print("  %9d files: %s" % (size, ", ".join(parts)))
    if samples[("delete", 10000, "pass-nolog")]:
        print("  deletion of 10000 files with the log switched off: %.3f / %.3f" % stats(samples[("delete", 10000, "pass-nolog")]))

    print()
    # Wine does not keep the peak of the private bytes (it barely moves), while the peak working
    # set follows every page the pass touches: the list is written whole, so it is resident.
    print("Memory of a real pass (peak working set minus the working set before the pass):")
    per = []
    for size in sizes:
        peak = samples[("mem", size, "peak_pagefile_delta")]
        ws = samples[("mem", size, "peak_workingset_delta")]
        count = samples[("mem", size, "candidates")]
        if not ws or not count:
            continue
        candidates = count[0]
        per.append((size, candidates, max(ws) / candidates))
        print("  %9d candidates: peak %8.1f MiB working set, %6.1f bytes per candidate (private bytes as Wine reports them: %.1f MiB)"
              % (candidates, max(ws) / 1048576, max(ws) / candidates, max(peak) / 1048576 if peak else 0))
    if per:
        # Linear: the cost of a candidate does not grow with their number (a fixed start-up
        # share makes the smallest tree look dearer).
        linear = all(later[2] <= 1.25 * earlier[2] for earlier, later in zip(per, per[1:]))
        goals.append(("memory grows linearly with the candidates", linear,
                      "bytes per candidate: " + ", ".join("%.0f" % p for _, _, p in per)))
        size, candidates, bytes64 = per[-1]
        scale = (entry32 + 4.0) / (entry64 + 4.0)
        projected = bytes64 * scale * 1000000
        print("  32-bit projection: P32(1,000,000) = 1,000,000 x (bytes per candidate at %d, 64-bit) x (E32 + 4) / (E64 + 4)" % candidates)
        print("    with E32 = sizeof(FileEntry) = %d and E64 = %d bytes (FolderNode %d / %d), 4 = one Order index:"
              % (entry32, entry64, node32, node64))
        print("    %.0f x %.0f x %d / %d = %.1f MiB" % (1000000, bytes64, entry32 + 4, entry64 + 4, projected / 1048576))
        goals.append(("a 1,000,000-file pass of the 32-bit build stays within 1 GiB", projected <= GIB,
                      "projected %.1f MiB" % (projected / 1048576)))

    print()
    print("Goals:")
    for text, held, detail in goals:
        print("  [%s] %s: %s" % ("holds" if held else "MISSED", text, detail))


if __name__ == "__main__":
    main()
