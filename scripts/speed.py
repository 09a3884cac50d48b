#!/usr/bin/env python3
"""Times `velto FILE /c` end to end on generated 24-bit images, beside `cat FILE`, the
one-pass bitset count of the benchmark binary and, where installed, numpy `unique` and
ImageMagick `identify -format %k`, and prints a Markdown table of medians.

    scripts/speed.py [--sides 4096,8191] [--runs 5] [--peer-runs 1] [--no-peers]

Builds the release tool and the benchmark binary first (presets `release`, `bench`).
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
VELTO = os.path.join(ROOT, "build/release/src/velto")
BMPGEN = os.path.join(ROOT, "build/release/tools/velto-bmpgen")
BENCH = os.path.join(ROOT, "build/bench/bench/velto_bench")
KINDS = ["noise", "photo", "flat"]
SEED = "7"  # the benchmark binary makes its pictures with this seed too

NUMPY_COUNT = r"""
import sys, numpy as np
path = sys.argv[1]
head = np.fromfile(path, dtype=np.uint8, count=54)
width = int(head[18:22].view(np.int32)[0]); height = abs(int(head[22:26].view(np.int32)[0]))
offset = int(head[10:14].view(np.uint32)[0])
stride = (3 * width + 3) // 4 * 4
rows = np.fromfile(path, dtype=np.uint8, offset=offset, count=stride * height)
px = rows.reshape(height, stride)[:, : 3 * width].reshape(-1, 3).astype(np.uint32)
print(np.unique(px[:, 0] | px[:, 1] << 8 | px[:, 2] << 16).size)
"""


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, **kw)


def median_seconds(cmd, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def peak_mb(cmd):
    """Peak resident memory of a command, from GNU time."""
    out = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True)
    return int(out.stderr.strip().splitlines()[-1]) / 1024


def bitset_seconds(kind, side):
    out = run([BENCH, f"--benchmark_filter=BM_BitsetCount/{KINDS.index(kind)}/{side}/",
               "--benchmark_repetitions=5", "--benchmark_format=json"], text=True)
    rows = json.loads(out.stdout)["benchmarks"]
    return next(r["real_time"] for r in rows if r.get("aggregate_name") == "median") / 1000


def per_run_seconds(cmd, runs):
    """Mean time of one short run, over many."""
    start = time.perf_counter()
    for _ in range(runs):
        subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return (time.perf_counter() - start) / runs


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--sides", default="4096,8191")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--peer-runs", type=int, default=1)
    ap.add_argument("--no-peers", action="store_true")
    args = ap.parse_args()

    for preset in ("release", "bench"):
        run(["cmake", "--preset", preset], cwd=ROOT)
        run(["cmake", "--build", "--preset", preset], cwd=ROOT)

    python = shutil.which("python3", path="/usr/bin") or sys.executable
    has_numpy = not args.no_peers and subprocess.run(
        [python, "-c", "import numpy"], stderr=subprocess.DEVNULL).returncode == 0
    identify = None if args.no_peers else shutil.which("identify")
    env = dict(os.environ)
    for var in ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE"):
        env.pop(var, None)

    header = ["image", "`velto /c`", "× bitset", "peak memory", "`cat`", "bitset pass"]
    if has_numpy:
        header.append("numpy `unique`")
    if identify:
        header.append("`identify -format %k`")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))

    with tempfile.TemporaryDirectory() as work:
        script = os.path.join(work, "count.py")
        with open(script, "w") as f:
            f.write(NUMPY_COUNT)
        for side in [int(s) for s in args.sides.split(",")]:
            for kind in KINDS:
                path = os.path.join(work, f"{kind}{side}.bmp")
                run([BMPGEN, kind, str(side), str(side), path, SEED])
                used = run([VELTO, path, "/c"], text=True).stdout.split()[-1].rstrip(".")
                velto = median_seconds([VELTO, path, "/c"], args.runs)
                bitset = bitset_seconds(kind, side)
                cells = [f"{side} × {side} {kind} ({int(used):,} colors)", f"{velto:.2f} s",
                         f"{velto / bitset:.1f}×", f"{peak_mb([VELTO, path, '/c']):.0f} MB",
                         f"{median_seconds(['cat', path], args.runs):.3f} s", f"{bitset:.3f} s"]
                if has_numpy:
                    t = median_seconds([python, script, path], args.peer_runs)
                    cells.append(f"{t:.2f} s ({t / velto:.1f}× velto)")
                if identify:
                    t = median_seconds([identify, "-format", "%k", path], args.peer_runs)
                    cells.append(f"{t:.1f} s ({t / velto:.0f}× velto)")
                print("| " + " | ".join(cells) + " |", flush=True)
                os.remove(path)

        # The report alone, against a process that only opens a file and reads 54 bytes.
        path = os.path.join(work, "small.bmp")
        run([BMPGEN, "photo", "64", "64", path])
        report = per_run_seconds([VELTO, path], 300)
        head = per_run_seconds(["head", "-c", "54", path], 300)
        print(f"\nReport only: {report * 1000:.2f} ms a run; `head -c 54`: {head * 1000:.2f} ms "
              f"a run ({report / head:.2f}×).")


if __name__ == "__main__":
    main()
