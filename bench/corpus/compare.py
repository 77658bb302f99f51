#!/usr/bin/env python3
"""The corpus comparison and the report of `make bench`.

    compare.py --build BUILD_DIR --results DIR [--megabytes 50]

Generates the corpus (bench/corpus/generate_corpus.py) into
BUILD_DIR/bench/corpus-data unless it is there from the same generator, then
times, in this one run:
  - the core: RewriteMessage over every message held in memory
    (BUILD_DIR/bench/corpus/rewrite_corpus), against `nkf -m -s` over the
    messages concatenated into one stream and email_header_rewrite.py (Python's
    email.header) over the same stream;
  - the tool: `mimedecode -i` over a fresh copy of the folder, against
    `nkf -m -s --overwrite` over another fresh copy;
  - one message of each size from 1 KB to 64 MB through all three;
  - the filter's peak memory on the 64 MB message (/usr/bin/time -v).
Reads the Google Benchmark results that bench/run left in DIR (rewrite.json,
rewrite-hugepages.json), prints the tables and the goals, writes DIR/report.txt,
DIR/results.json and the plot DIR/size-plot.png (gnuplot).

Times are wall-clock seconds, best of several runs. Each row also gives the
CPU seconds (user + system) that the work took, which a machine shared with
other jobs disturbs less; ratios are given for both.
"""

import argparse
import hashlib
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
MB = 1 << 20

# nkf keeps every file of --overwrite open until it exits, so more files than
# the open-file limit make it fail; it gets them in batches of this many.
NKF_BATCH = 1000


def children_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def run_timed(argv, stdin=None, cwd=None):
    """Runs argv; returns (wall seconds, CPU seconds). Output is discarded."""
    cpu0 = children_cpu()
    t0 = time.perf_counter()
    with open(stdin, "rb") if stdin else open(os.devnull, "rb") as inp:
        proc = subprocess.run(argv, stdin=inp, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, cwd=cwd)
    wall = time.perf_counter() - t0
    if proc.returncode != 0:
        raise SystemExit("compare: %s failed (%d): %s" % (argv[0], proc.returncode, proc.stderr.decode()[-500:]))
    return wall, children_cpu() - cpu0


def best_of(n, fn):
    """fn() -> (wall, cpu); the smallest of each over n runs."""
    runs = [fn() for _ in range(n)]
    return min(r[0] for r in runs), min(r[1] for r in runs)


def repeat_timed(argv, stdin, min_seconds=0.3, at_most=20):
    """Runs argv at least 3 times and until min_seconds went by; best figures."""
    runs = []
    total = 0.0
    while len(runs) < 3 or (total < min_seconds and len(runs) < at_most):
        runs.append(run_timed(argv, stdin))
        total += runs[-1][0]
    return min(r[0] for r in runs), min(r[1] for r in runs)


def core(rewrite_corpus, paths, min_seconds):
    out = subprocess.run([rewrite_corpus, "--min-seconds", str(min_seconds)] + paths,
                         capture_output=True, text=True, check=True).stdout
    return {k: float(v) for k, v in re.findall(r"(\w+)=([0-9.]+)", out)}


def generate(build, megabytes):
    data = os.path.join(build, "bench", "corpus-data")
    generator = os.path.join(HERE, "generate_corpus.py")
    with open(generator, "rb") as f:
        stamp = hashlib.sha256(f.read() + str(megabytes).encode()).hexdigest()
    stamp_file = os.path.join(data, "generator.sha256")
    if os.path.exists(stamp_file) and open(stamp_file).read().strip() == stamp:
        return data
    shutil.rmtree(data, ignore_errors=True)
    subprocess.run([PYTHON, generator, data, "--megabytes", str(megabytes)], check=True)
    with open(stamp_file, "w") as f:
        f.write(stamp + "\n")
    return data


def fresh_copy(src, dst):
    shutil.rmtree(dst, ignore_errors=True)
    subprocess.run(["cp", "-r", src, dst], check=True)
    subprocess.run(["sync"], check=True)


def changed_files(original, rewritten, names):
    n = 0
    for name in names:
        with open(os.path.join(original, name), "rb") as a, open(os.path.join(rewritten, name), "rb") as b:
            n += a.read() != b.read()
    return n


def tool_runs(mimedecode, messages, work, runs):
    names = sorted(os.listdir(messages))
    ours, theirs = [], []
    rewritten = 0
    for _ in range(runs):
        copy = os.path.join(work, "mimedecode")
        fresh_copy(messages, copy)
        ours.append(run_timed([mimedecode, "-i"] + names, cwd=copy))
        rewritten = changed_files(messages, copy, names)

        copy = os.path.join(work, "nkf")
        fresh_copy(messages, copy)
        cpu0 = children_cpu()
        t0 = time.perf_counter()
        for i in range(0, len(names), NKF_BATCH):
            subprocess.run(["nkf", "-m", "-s", "--overwrite"] + names[i:i + NKF_BATCH], cwd=copy, check=True)
        theirs.append((time.perf_counter() - t0, children_cpu() - cpu0))
    shutil.rmtree(os.path.join(work, "mimedecode"), ignore_errors=True)
    shutil.rmtree(os.path.join(work, "nkf"), ignore_errors=True)
    best = lambda rs: (min(r[0] for r in rs), min(r[1] for r in rs))
    return best(ours), best(theirs), rewritten, len(names)


def peak_memory(mimedecode, message, work):
    """Maximum resident set of the filter on one message, in both modes."""
    result = {}
    copy = os.path.join(work, "peak.eml")
    shutil.copyfile(message, copy)
    for mode, argv in (("in_place", [mimedecode, "-i", copy]), ("stdout", [mimedecode, message])):
        proc = subprocess.run(["/usr/bin/time", "-v"] + argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", proc.stderr)
        result[mode] = int(m.group(1)) * 1024 if m else None
    os.remove(copy)
    return result


def load_gbench(path):
    """Per benchmark the fastest of its repetitions (a machine shared with
    other jobs only ever makes a run slower)."""
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        data = json.load(f)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    out = {}
    for b in data.get("benchmarks", []):
        if b.get("run_type", "iteration") != "iteration":
            continue
        name = b.get("run_name", b["name"])
        if b.get("error_occurred"):
            out.setdefault(name, {"error": b.get("error_message", "error")})
            continue
        s = scale[b.get("time_unit", "ns")]
        entry = {"bytes": b.get("bytes", 0), "real": b["real_time"] * s, "cpu": b["cpu_time"] * s,
                 "changed": b.get("changed")}
        old = out.get(name)
        if old is None or "error" in old:
            out[name] = entry
        else:
            old["real"] = min(old["real"], entry["real"])
            old["cpu"] = min(old["cpu"], entry["cpu"])
    return out


def rate(size, seconds):
    return size / seconds / 1e6 if seconds else float("inf")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--results", required=True)
    ap.add_argument("--megabytes", type=float, default=50)
    ap.add_argument("--tool-runs", type=int, default=3)
    args = ap.parse_args()

    build = os.path.abspath(args.build)
    results = os.path.abspath(args.results)
    os.makedirs(results, exist_ok=True)
    rewrite_corpus = os.path.join(build, "bench", "corpus", "rewrite_corpus")
    mimedecode = os.path.join(build, "tools", "mimedecode")
    for prog in (rewrite_corpus, mimedecode):
        if not os.access(prog, os.X_OK):
            raise SystemExit("compare: %s is not built" % prog)
    for prog in ("nkf", "/usr/bin/time"):
        if not shutil.which(prog):
            raise SystemExit("compare: %s is not installed (scripts/need bench)" % prog)

    lines = []

    def say(text=""):
        print(text, flush=True)
        lines.append(text)

    data = generate(build, args.megabytes)
    messages = os.path.join(data, "messages")
    stream = os.path.join(data, "stream.eml")
    sized_dir = os.path.join(data, "sized")
    work = os.path.join(build, "bench", "corpus-work")
    os.makedirs(work, exist_ok=True)
    with open("/proc/loadavg") as f:
        load_before = f.read().split()[0]

    # The core against the stream tools.
    c = core(rewrite_corpus, [messages], 2.0)
    size = int(c["bytes"])
    nkf_stream = best_of(3, lambda: run_timed(["nkf", "-m", "-s"], stdin=stream))
    py_stream = best_of(2, lambda: run_timed([PYTHON, os.path.join(HERE, "email_header_rewrite.py")], stdin=stream))

    # The tools over folders.
    ours, nkf_over, rewritten, files = tool_runs(mimedecode, messages, work, args.tool_runs)

    # One message of each size.
    sized = []
    for name in sorted(os.listdir(sized_dir), key=lambda n: os.path.getsize(os.path.join(sized_dir, n))):
        path = os.path.join(sized_dir, name)
        n = os.path.getsize(path)
        cs = core(rewrite_corpus, [path], 0.3)
        nk = repeat_timed(["nkf", "-m", "-s"], path)
        py = repeat_timed([PYTHON, os.path.join(HERE, "email_header_rewrite.py")], path,
                          min_seconds=0.3 if n < 4 * MB else 0, at_most=3)
        sized.append({"name": name, "bytes": n, "core": cs["seconds"], "core_cpu": cs["cpu_seconds"],
                      "nkf": nk[0], "nkf_cpu": nk[1], "python": py[0], "python_cpu": py[1]})
    largest = os.path.join(sized_dir, sized[-1]["name"])
    peak = peak_memory(mimedecode, largest, work)
    with open("/proc/loadavg") as f:
        load_after = f.read().split()[0]

    g = load_gbench(os.path.join(results, "rewrite.json"))
    gh = load_gbench(os.path.join(results, "rewrite-hugepages.json"))

    # Tables.
    say("Corpus: %d messages, %.1f MB (%s); load average %s before, %s after"
        % (c["messages"], size / 1e6, data, load_before, load_after))
    say("  core: %d messages changed, %d failed" % (c["changed"], c["failed"]))
    say()
    say("%-46s %9s %9s %9s %9s %8s" % ("what", "seconds", "MB/s", "cpu s", "ratio", "ratio"))
    say("%-46s %9s %9s %9s %9s %8s" % ("", "(wall)", "(wall)", "", "(wall)", "(cpu)"))
    rows = [
        ("Ravlet core, RewriteMessage in memory", c["seconds"], c["cpu_seconds"], c["seconds"], c["cpu_seconds"]),
        ("nkf -m -s < stream", nkf_stream[0], nkf_stream[1], c["seconds"], c["cpu_seconds"]),
        ("python3 email.header < stream", py_stream[0], py_stream[1], c["seconds"], c["cpu_seconds"]),
        ("Ravlet mimedecode -i (folder, fresh copy)", ours[0], ours[1], ours[0], ours[1]),
        ("nkf -m -s --overwrite (folder, fresh copy)", nkf_over[0], nkf_over[1], ours[0], ours[1]),
    ]
    for what, wall, cpu, ref_wall, ref_cpu in rows:
        say("%-46s %9.3f %9.1f %9.3f %8.1fx %7.1fx" % (what, wall, rate(size, wall), cpu, wall / ref_wall, cpu / ref_cpu))
    say("  ratio = its time / Ravlet's (core rows against the core, folder rows against mimedecode -i)")
    say("  mimedecode -i rewrote %d of %d files; nkf gets the files %d per process (it keeps each one open)"
        % (rewritten, files, NKF_BATCH))
    say()
    say("One message per size (seconds per message, wall; best of several):")
    say("%8s %12s %12s %12s %10s %10s" % ("size", "Ravlet core", "nkf -m -s", "python3", "core ns/B", "cpu ns/B"))
    for s in sized:
        say("%8s %12.6f %12.6f %12.6f %10.3f %10.3f" % (s["name"].replace(".eml", ""), s["core"], s["nkf"], s["python"],
                                                        s["core"] / s["bytes"] * 1e9, s["core_cpu"] / s["bytes"] * 1e9))
    say()
    say("Filter peak memory on the %s message (%d bytes): -i %s, to stdout %s"
        % (sized[-1]["name"], sized[-1]["bytes"],
           "%.1f MB (%.2fx)" % (peak["in_place"] / 1e6, peak["in_place"] / sized[-1]["bytes"]) if peak["in_place"] else "?",
           "%.1f MB (%.2fx)" % (peak["stdout"] / 1e6, peak["stdout"] / sized[-1]["bytes"]) if peak["stdout"] else "?"))

    # Google Benchmark figures.
    def mbps(entry, key):
        return rate(entry["bytes"], entry[key]) if entry and "error" not in entry else float("nan")

    say()
    say("RewriteMessage shapes (Google Benchmark, MB/s by CPU time and by wall time; [2M pages] = malloc on")
    say("transparent huge pages, GLIBC_TUNABLES=glibc.malloc.hugetlb=1):")
    shapes = [("(a) typical Japanese message", "BM_TypicalMessage"),
              ("(b) 64 MB, no change", "BM_NoChange64MB"),
              ("    memchr sweep, same 64 MB", "BM_MemchrSweep64MB"),
              ("(c) 64 MB, mixed line ends", "BM_MixedLineEnds64MB"),
              ("    same, output already mapped", "BM_MixedLineEnds64MBWarmOutput"),
              ("(d) one field, 100 000 words", "BM_Words100k"),
              ("(e) 1 000 000 continuation lines", "BM_ContinuationLines1M")]
    say("%-36s %10s %10s %12s %12s %9s" % ("shape", "bytes", "MB/s cpu", "MB/s wall", "[2M] MB/s cpu", "ns/B cpu"))
    for what, name in shapes:
        e = g.get(name)
        if not e or "error" in e:
            say("%-36s %s" % (what, (e or {}).get("error", "not run")))
            continue
        h = gh.get(name)
        say("%-36s %10d %10.1f %12.1f %12s %9.3f" % (what, e["bytes"], mbps(e, "cpu"), mbps(e, "real"),
                                                     "%.1f" % mbps(h, "cpu") if h and "error" not in h else "-",
                                                     e["cpu"] / e["bytes"] * 1e9))

    sweep_names = [("clean", "BM_SweepClean"), ("mixed", "BM_SweepMixedLineEnds"), ("fields", "BM_SweepManyFields"),
                   ("words", "BM_SweepWords"), ("folds", "BM_SweepContinuationLines")]
    sweeps = {}
    for label, base in sweep_names:
        for src, tag in ((g, ""), (gh, " [2M]")):
            pts = sorted((int(k.split("/")[1]), v) for k, v in src.items() if k.split("/")[0] == base and "error" not in v)
            if pts:
                sweeps[label + tag] = [(v["bytes"], v["cpu"] / v["bytes"] * 1e9, v["real"] / v["bytes"] * 1e9) for _, v in pts]
    say()
    say("Size sweeps, CPU ns per byte from 1 KB to 64 MB (max/min over the sweep):")
    for label, pts in sweeps.items():
        per = [p[1] for p in pts]
        say("  %-14s %s   max/min %.2f" % (label, " ".join("%.2f" % x for x in per), max(per) / min(per)))

    # Goals.
    say()
    say("Goals:")

    def goal(text, ok, detail):
        say("  [%s] %s: %s" % ("met" if ok else "MISSED", text, detail))

    nk_ratio = (nkf_stream[0] / c["seconds"], nkf_stream[1] / c["cpu_seconds"])
    py_ratio = (py_stream[0] / c["seconds"], py_stream[1] / c["cpu_seconds"])
    tool_ratio = (nkf_over[0] / ours[0], nkf_over[1] / ours[1])
    goal("core >= 10x nkf -m -s (cpu)", nk_ratio[1] >= 10, "%.1fx wall, %.1fx cpu" % nk_ratio)
    goal("core >= 50x python email.header (cpu)", py_ratio[1] >= 50, "%.1fx wall, %.1fx cpu" % py_ratio)
    goal("mimedecode -i >= 1.5x nkf --overwrite (wall)", tool_ratio[0] >= 1.5, "%.2fx wall (%.2fx cpu)" % tool_ratio)
    nc, mc = g.get("BM_NoChange64MB"), g.get("BM_MemchrSweep64MB")
    if nc and mc and "error" not in nc:
        share = mc["cpu"] / nc["cpu"]
        goal("no-change check 64 MB >= 50% of memchr", share >= 0.5,
             "%.1f%% (%.0f vs %.0f MB/s cpu)" % (share * 100, mbps(nc, "cpu"), mbps(mc, "cpu")))
    mx = g.get("BM_MixedLineEnds64MB")
    if mx and "error" not in mx:
        warm = g.get("BM_MixedLineEnds64MBWarmOutput")
        goal("re-ending 64 MB mixed line ends >= 1 GB/s", mbps(mx, "cpu") >= 1000,
             "%.0f MB/s cpu, %.0f wall (output already mapped: %.0f cpu)"
             % (mbps(mx, "cpu"), mbps(mx, "real"), mbps(warm, "cpu") if warm else float("nan")))
    worst = max(((max(p[1] for p in pts) / min(p[1] for p in pts)), label)
                for label, pts in sweeps.items() if "[2M]" not in label) if sweeps else (float("nan"), "-")
    core_per = [s["core_cpu"] / s["bytes"] for s in sized]
    goal("time per byte 1 KB..64 MB within 1.5x", worst[0] <= 1.5 and max(core_per) / min(core_per) <= 1.5,
         "worst sweep %s %.2fx; corpus-shaped messages %.2fx" % (worst[1], worst[0], max(core_per) / min(core_per)))
    ty = g.get("BM_TypicalMessage")
    if ty and "error" not in ty:
        per_t = ty["cpu"] / ty["bytes"]
        slow = max((e["cpu"] / e["bytes"] / per_t, n) for _, n in shapes[1:] if (e := g.get(n)) and "error" not in e
                   and n != "BM_MemchrSweep64MB")
        goal("no shape slower per byte than 10x the typical message", slow[0] <= 10, "worst %s at %.2fx" % (slow[1], slow[0]))
    if peak["in_place"]:
        worst_peak = max(v for v in peak.values() if v)
        goal("filter peak memory on 64 MB <= 3x its size", worst_peak <= 3 * sized[-1]["bytes"],
             "%.2fx (-i %.1f MB, stdout %.1f MB)" % (worst_peak / sized[-1]["bytes"], peak["in_place"] / 1e6,
                                                   (peak["stdout"] or 0) / 1e6))

    with open(os.path.join(results, "report.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    with open(os.path.join(results, "results.json"), "w") as f:
        json.dump({"corpus": c, "nkf_stream": nkf_stream, "python_stream": py_stream, "mimedecode": ours,
                   "nkf_overwrite": nkf_over, "sized": sized, "peak": peak, "sweeps": sweeps,
                   "load": [load_before, load_after]}, f, indent=1)
    plot(results, sized, sweeps)


def plot(results, sized, sweeps):
    os.makedirs(results, exist_ok=True)
    png = os.path.join(results, "size-plot.png")
    if not shutil.which("gnuplot"):
        print("compare: gnuplot is not installed; no plot (scripts/need bench)")
        return
    dat = os.path.join(results, "size-plot.dat")
    with open(dat, "w") as f:
        f.write("# bytes core nkf python (seconds per message)\n")
        for s in sized:
            f.write("%d %.9g %.9g %.9g\n" % (s["bytes"], s["core"], s["nkf"], s["python"]))
        for label, pts in sweeps.items():
            f.write("\n\n# %s: bytes cpu-ns-per-byte\n" % label)
            for p in pts:
                f.write("%d %.6g\n" % (p[0], p[1]))
    labels = list(sweeps)
    script = [
        "set terminal pngcairo size 1400,600 font ',10'",
        "set output '%s'" % png,
        "set multiplot layout 1,2",
        "set logscale xy",
        "set xtics (%s)" % ", ".join("'%s' %d" % (n, 1 << e) for n, e in
                                      (("1K", 10), ("4K", 12), ("16K", 14), ("64K", 16), ("256K", 18),
                                       ("1M", 20), ("4M", 22), ("16M", 24), ("64M", 26))),
        "set format y '%g'",
        "set grid",
        "set key top left",
        "set xlabel 'message size'",
        "set ylabel 'seconds per message'",
        "set title 'Time against message size (one message, 1 KB to 64 MB)'",
        "plot '%s' index 0 using 1:2 with linespoints title 'Ravlet core', "
        "'' index 0 using 1:3 with linespoints title 'nkf -m -s', "
        "'' index 0 using 1:4 with linespoints title 'python3 email.header'" % dat,
        "unset logscale y",
        "set logscale y",
        "set ylabel 'CPU ns per byte'",
        "set title 'RewriteMessage cost per byte by input shape'",
    ]
    if labels:
        script.append("plot " + ", ".join("'%s' index %d using 1:2 with linespoints title '%s'" % (dat, i + 1, l)
                                          for i, l in enumerate(labels)))
    script.append("unset multiplot")
    subprocess.run(["gnuplot"], input="\n".join(script) + "\n", text=True, check=True)
    print("plot: %s" % png)


if __name__ == "__main__":
    main()
