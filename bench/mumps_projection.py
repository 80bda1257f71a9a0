#!/usr/bin/env python3
"""Projects a run of the solver program on several processes (MUMPS) to more of them, on paper, from
what the run measured: its log's elimination flops, factor, fronts and memory per process, and each
process's peak memory and processor time from /usr/bin/time -f "%e %U %S %M".

    bench/mumps_projection.py <log> --time <whole run's time file> --ranks <a time file per process>
                              [--processes 8 64] [--bandwidth 1.25e9]
    bench/mumps_projection.py <log> --predicted <GFLOP per processor second> <MB held besides MUMPS>

Assumptions, printed with the figures:
  memory of the largest process at P = R + k * A / P, where A is MUMPS's memory of all processes
    (INFOG(19)), k the measured imbalance (INFOG(18) * P0 / INFOG(19)) and R what every process holds
    whatever P is (its peak memory less its own MUMPS memory, INFO(16): the deck, the model and its
    share of the matrix, kept whole, which overstates R);
  factorisation time at P = k_f * F / (P * rate) + communication, where F is the elimination flops
    (RINFOG(3)), k_f the measured flop imbalance and rate the flops per processor second measured (the
    factorisation's wall time times the run's processor share);
  communication: the contribution blocks of the top log2(P) levels of the elimination tree move once
    each (4 * f^2 bytes for a front of order f, the fronts shrinking by 2^(2/3) a level in 3D, the
    largest front INFOG(11) at the top), plus the root front's panels broadcast on a sqrt(P) x sqrt(P)
    grid (8 * f^2 / sqrt(P) bytes), at `bandwidth` bytes per second, latency left out;
  the rest of the run (reading the deck, assembly, stresses, the f06) takes the processor time it took.
"""
import argparse
import math
import re
import sys


def parseLog(path, usePredicted):
    info = {"processes": [], "factorStart": None, "factorEnd": None, "end": None}
    perProcess, predicted = {}, {}
    number = r"([-+0-9.E]+)"
    for line in open(path):
        m = re.match(r"\s*\d\d:\d\d:\d\d\s+([0-9.]+)\s+(.*)$", line)
        if not m:
            continue
        elapsed, text = float(m.group(1)), m.group(2)
        info["end"] = elapsed
        # A factorisation that ran out of workspace is done again: only the last one counts.
        if text.startswith("FACTORISING (MUMPS)") or text.startswith("FACTORISING AGAIN"):
            info["factorStart"] = elapsed
        elif text.startswith("PROCESS 1: FACTOR ") and info["factorStart"] is not None and info["factorEnd"] is None:
            info["factorEnd"] = elapsed
        p = re.match(r"PROCESS (\d+): ELIMINATION " + number + r" FLOPS, ASSEMBLY " + number +
                     r" FLOPS, (\d+) MB ALLOCATED", text)
        if p:
            perProcess.setdefault(int(p.group(1)), {}).update(flops=float(p.group(2)), mumpsMB=float(p.group(4)))
        q = re.match(r"PROCESS (\d+): PREDICTED ELIMINATION " + number + r" FLOPS, (\d+) MB WITH THE FACTOR IN MEMORY",
                     text)
        if q:
            predicted.setdefault(int(q.group(1)), {}).update(flops=float(q.group(2)), mumpsMB=float(q.group(3)))
        b = re.match(r"ALL PROCESSES: PREDICTED ELIMINATION " + number + r" FLOPS, FACTOR (\d+) REAL AND (\d+) "
                     r"INTEGER ENTRIES, LARGEST FRONT (\d+), FACTOR IN MEMORY (\d+) MB \(LARGEST PROCESS (\d+) MB\)",
                     text)
        if b:
            info["predicted"] = dict(flops=float(b.group(1)), factorEntries=float(b.group(2)), front=int(b.group(4)),
                                     mumpsTotalMB=float(b.group(5)), mumpsLargestMB=float(b.group(6)))
        a = re.match(r"ALL PROCESSES: ELIMINATION " + number + r" FLOPS, FACTOR (\d+) REAL AND (\d+) INTEGER "
                     r"ENTRIES, LARGEST FRONT (\d+), ALLOCATED (\d+) MB \(LARGEST PROCESS (\d+) MB\)", text)
        if a:
            info.update(flops=float(a.group(1)), factorEntries=float(a.group(2)), front=int(a.group(4)),
                        mumpsTotalMB=float(a.group(5)), mumpsLargestMB=float(a.group(6)))
    if usePredicted:
        if "predicted" not in info or not predicted:
            sys.exit("%s: no MUMPS analysis statistics: is it the log of a run under mpirun?" % path)
        info.update(info["predicted"])
        info["processes"] = [predicted[r] for r in sorted(predicted)]
        return info
    missing = [k for k in ("flops", "factorStart", "factorEnd") if info.get(k) is None]
    if missing or not perProcess:
        sys.exit("%s: no MUMPS statistics (%s): is it the log of a run under mpirun?" %
                 (path, ", ".join(missing) or "per process"))
    info["processes"] = [perProcess[r] for r in sorted(perProcess)]
    return info


def readTime(path):
    try:
        wall, user, system, kb = open(path).read().split()[:4]
    except (OSError, ValueError):
        sys.exit("%s: not a time file of /usr/bin/time -f \"%%e %%U %%S %%M\"" % path)
    return float(wall), float(user) + float(system), float(kb) * 1024 / 1e6


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("log")
    ap.add_argument("--time", help="the whole run's time file (mpirun's process tree)")
    ap.add_argument("--ranks", nargs="+", help="one time file per process, in rank order")
    ap.add_argument("--processes", nargs="+", type=int, default=[8, 64])
    ap.add_argument("--bandwidth", type=float, default=1.25e9, help="bytes per second between processes")
    ap.add_argument("--predicted", nargs=2, type=float, metavar=("RATE", "REPLICATED"),
                    help="project from the analysis's predictions alone (a run stopped before its factorisation "
                    "ended), with a rate in GFLOP per processor second and the MB every process holds "
                    "besides MUMPS, both measured on another run")
    args = ap.parse_args()

    log = parseLog(args.log, args.predicted is not None)
    if log["mumpsTotalMB"] == 0:
        sys.exit("%s: MUMPS held under 1 MB, too little to project from: take a larger model" % args.log)
    p0 = len(log["processes"])
    if args.predicted:
        project(log, p0, args.predicted[0] * 1e9, args.predicted[1], 0.0, args.processes, args.bandwidth)
        return
    if args.time is None or args.ranks is None:
        sys.exit("--time and --ranks are needed unless --predicted is given")
    if len(args.ranks) != p0:
        sys.exit("%d time files for a run of %d processes" % (len(args.ranks), p0))
    ranks = [readTime(f) for f in sorted(args.ranks, key=lambda f: [int(d) for d in re.findall(r"\d+", f)])]
    wall, cpu, _ = readTime(args.time)
    share = cpu / wall  # processors the run had, on average
    factorWall = log["factorEnd"] - log["factorStart"]
    factorCpu = max(factorWall * share, 1e-3)  # the log counts hundredths of a second
    rate = log["flops"] / factorCpu
    restCpu = max(0.0, cpu - factorCpu) / p0  # per process
    flopImbalance = max(r["flops"] for r in log["processes"]) * p0 / log["flops"]
    memImbalance = log["mumpsLargestMB"] * p0 / log["mumpsTotalMB"]
    replicated = max(rss - pr["mumpsMB"] for (_, _, rss), pr in zip(ranks, log["processes"]))
    front = log["front"]

    print("measured on %d processes: elimination %.3E flops, factor %.0f entries, largest front %d" %
          (p0, log["flops"], log["factorEntries"], front))
    print("  run: wall %.1f s, processor %.1f s (%.2f processors); factorisation %.1f s wall, %.1f s processor"
          % (wall, cpu, share, factorWall, factorCpu))
    print("  rate %.2f GFLOP per processor second; flop imbalance %.2f, memory imbalance %.2f" %
          (rate / 1e9, flopImbalance, memImbalance))
    print("  MUMPS memory of all processes %.0f MB; held by every process whatever their number %.0f MB" %
          (log["mumpsTotalMB"], replicated))
    for r, ((w, c, rss), pr) in enumerate(zip(ranks, log["processes"]), 1):
        print("  process %d: wall %.1f s, processor %.1f s, peak %.0f MB (MUMPS %.0f MB), %.3E flops" %
              (r, w, c, rss, pr["mumpsMB"], pr["flops"]))
    project(log, p0, rate, replicated, restCpu, args.processes, args.bandwidth)


def project(log, p0, rate, replicated, restCpu, processes, bandwidth):
    flopImbalance = max(r["flops"] for r in log["processes"]) * p0 / log["flops"]
    memImbalance = log["mumpsLargestMB"] * p0 / log["mumpsTotalMB"]
    front = log["front"]
    print("projection (bandwidth %.2g bytes/s between processes; %s):" %
          (bandwidth, "from the analysis's predictions" if restCpu <= 0.0 else "from the factorisation"))
    print("  %9s %22s %18s %18s %14s" % ("processes", "largest process MB", "factorisation s", "communication s",
                                          "whole run s" if restCpu > 0.0 else "both s"))
    for p in sorted(set([p0] + processes)):
        memory = replicated + memImbalance * log["mumpsTotalMB"] / p
        comm = sum(4.0 * (front * 2 ** (-2.0 * level / 3)) ** 2 for level in range(int(math.log2(p))))
        comm = (comm + (8.0 * front * front / math.sqrt(p) if p > 1 else 0.0)) / bandwidth
        factor = flopImbalance * log["flops"] / (p * rate)
        print("  %9d %22.0f %18.1f %18.2f %14.1f" % (p, memory, factor, comm, factor + comm + restCpu))


if __name__ == "__main__":
    main()
