"""Turns the measurements of compare.sh into the "compare" section of BENCHMARKS.md."""
import datetime
import json
import os
import platform
import statistics
import sys

sampling_json, runs_txt, rounds, doc_path = sys.argv[1:5]
idle_txt = sys.argv[5] if len(sys.argv) > 5 else None
POINTS = 501 * 501

with open(sampling_json) as f:
    data = json.load(f)
median = {}
for b in data["benchmarks"]:
    if b.get("aggregate_name") == "median":
        median[b["run_name"].removesuffix("/real_time")] = b["real_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[
            b["time_unit"]
        ]

formulas = sorted({name.split("/")[1] for name in median if name.startswith("BM_PlainCpp/")})


def ns_per_point(name):
    return median[name] / POINTS * 1e9 if name in median else None


runs = {}
with open(runs_txt) as f:
    for line in f:
        parts = line.split()
        if len(parts) == 3 and not line.startswith("Command"):
            runs.setdefault(parts[0], []).append((float(parts[1]), int(parts[2])))


def wall(name):
    return statistics.median(t for t, _ in runs[name]) if name in runs else None


def peak_mb(name):
    return max(m for _, m in runs[name]) / 1024 if name in runs else None


def ratio_line(label, num, den, target):
    if num is None or den is None:
        return f"| {label} | not measured (tool missing) | {target} | |"
    r = num / den
    ok = "met" if r <= float(target.split()[-1].rstrip("×")) else "missed"
    return f"| {label} | {r:.3f} | {target} | {ok} |"


cpu = "unknown"
try:
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
except OSError:
    pass

out = []
out.append("<!-- compare:begin (written by bench/compare.sh; do not edit by hand) -->")
out.append("## Orvex against its baselines")
out.append("")
out.append(f"Measured {datetime.date.today().isoformat()} on {os.cpu_count()} cores ({cpu}), "
           f"{platform.system()} {platform.release()}, with `bench/compare.sh {rounds}`. Every ratio "
           "comes from one run of the script, so its two sides shared the same machine state.")
out.append("")
out.append("### Sampling the 501 × 501 grid (median of 5 repetitions, interleaved)")
out.append("")
out.append("| formula | plain C++ (pow) ns/pt | string walking | compiled | sampler 1 thread | "
           "sampler 2 threads | muparser |")
out.append("|---|---|---|---|---|---|---|")
for fm in formulas:
    cells = [ns_per_point(f"BM_{k}/{fm}") for k in ("PlainCpp", "Oracle", "Compiled")]
    cells += [ns_per_point(f"BM_Sampler/{fm}/threads:{t}") for t in (1, 2)]
    cells.append(ns_per_point(f"BM_MuParser/{fm}"))
    out.append(f"| {fm} | " + " | ".join("–" if c is None else f"{c:.1f}" for c in cells) + " |")
out.append("")
out.append("| ratio | measured | target | |")
out.append("|---|---|---|---|")
for fm in formulas:
    plain = median.get(f"BM_PlainCpp/{fm}")
    one = median.get(f"BM_Sampler/{fm}/threads:1")
    two = median.get(f"BM_Sampler/{fm}/threads:2")
    target = "≤ 0.3×" if fm == "default" else "≤ 0.6×"
    out.append(ratio_line(f"{fm}: sampler, 1 thread / plain C++", one, plain, target))
    if one and two:
        out.append(f"| {fm}: 2-thread speed-up (1 thread / 2 threads) | {one / two:.2f} | about 1.5 | |")
    if plain and median.get(f"BM_Oracle/{fm}"):
        out.append(f"| {fm}: string walking / plain C++ | {median[f'BM_Oracle/{fm}'] / plain:.1f} | | |")
    if plain and median.get(f"BM_MuParser/{fm}"):
        out.append(f"| {fm}: muparser / plain C++ | {median[f'BM_MuParser/{fm}'] / plain:.2f} | | |")
out.append("")
out.append(f"### Whole process, 1024 × 768 picture, N = 500 (median of {rounds} rounds; "
           "gnuplot hidden3d once)")
out.append("")
out.append("| run | wall s | peak MB |")
out.append("|---|---|---|")
for name in runs:
    out.append(f"| {name} | {wall(name):.2f} | {peak_mb(name):.0f} |")
out.append("")
out.append("| ratio | measured | target | |")
out.append("|---|---|---|---|")
out.append(ratio_line("shaded mesh / gnuplot pm3d", wall("orvex_shaded"), wall("gnuplot_pm3d"), "≤ 0.2×"))
out.append(ratio_line("hidden-line mesh / gnuplot hidden3d", wall("orvex_hidden"),
                      wall("gnuplot_hidden3d"), "≤ 0.02×"))
out.append(ratio_line("contour lines at 0.05 / gnuplot contour", wall("orvex_contour"),
                      wall("gnuplot_contour"), "≤ 0.2×"))
out.append(ratio_line("contour render at 0.01 / at 0.1", wall("orvex_contour_001"),
                      wall("orvex_contour_01"), "≤ 2×"))
if "matplotlib_surface" in runs:
    out.append(f"| shaded mesh / matplotlib plot_surface | "
               f"{wall('orvex_shaded') / wall('matplotlib_surface'):.3f} | | |")
worst = max((peak_mb(n), n) for n in runs if n.startswith("orvex"))
out.append(f"| peak memory of the largest Orvex render ({worst[1]}) | {worst[0]:.0f} MB | < 200 MB | "
           f"{'met' if worst[0] < 200 else 'missed'} |")
if idle_txt and os.path.exists(idle_txt):
    with open(idle_txt) as f:
        out.append("")
        out.append("### Display loop while nothing arrives")
        out.append("")
        out.append(f.read().strip())
out.append("<!-- compare:end -->")
section = "\n".join(out) + "\n"

doc = open(doc_path).read() if os.path.exists(doc_path) else "# Benchmarks\n"
begin, end = "<!-- compare:begin", "<!-- compare:end -->"
if begin in doc and end in doc:
    head = doc[: doc.index(begin)]
    tail = doc[doc.index(end) + len(end):].lstrip("\n")
    doc = head + section + ("\n" + tail if tail else "")
else:
    doc = doc.rstrip("\n") + "\n\n" + section
with open(doc_path, "w") as f:
    f.write(doc)
