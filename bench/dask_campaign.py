#!/usr/bin/env python3
"""Times vorex.dask.read_table over a campaign of packet files against a loop of vorex.read_table with pandas.

    PYTHONPATH=build/python /usr/bin/python3 bench/dask_campaign.py BUILD_DIR [--files 24] [--frames 50000]

The campaign is one vorex-sim run of FILES x FRAMES demo BaseFrames cut into FILES packet files of
FRAMES each, so each file's times follow the previous file's, in a temporary folder deleted after.
Each way runs in a process of its own, once with the column HKFrame.HK_TEMP1 and once with every
column: len(), the mean of HK_TEMP1 per hour and resample("1min").mean() of it. Dask runs on a
LocalCluster of 2 worker processes of 1 thread each, the DataFrame indexed by datetime with known
divisions, and each step decodes the files again; the loop decodes them once into one pandas
DataFrame. Peak memory is the resident maximum of the process, and for Dask of each worker.
"""

import argparse
import glob
import json
import os
import resource
import subprocess
import sys
import tempfile
import time
import warnings

STRUCTURE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "demo.structure")
COLUMN = "HKFrame.HK_TEMP1"


def peak_mb():
    """The peak resident memory of this process in MB."""
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024


def steps(frame, series, hours, compute):
    """The seconds of len(frame), the mean of series per hour (the hours of hours) and its mean per minute,
    each result given to compute."""
    times = {}
    start = time.perf_counter()
    rows = len(frame)
    times["len"] = time.perf_counter() - start
    start = time.perf_counter()
    compute(series.groupby(hours).mean())
    times["hourly"] = time.perf_counter() - start
    start = time.perf_counter()
    compute(series.resample("1min").mean())
    times["minutes"] = time.perf_counter() - start
    return rows, times


def run_dask(files, vars):
    import dask
    import vorex.dask
    from distributed import Client, LocalCluster

    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        start = time.perf_counter()
        frame = vorex.dask.read_table(STRUCTURE, files, vars=vars, index="datetime")
        times = {"read": time.perf_counter() - start}
        assert frame.known_divisions
        rows, step_times = steps(frame, frame[COLUMN], frame.index.to_series().dt.floor("1h"),
                                  dask.compute)
        workers = client.run(peak_mb)
    return {"rows": rows, "times": {**times, **step_times}, "peak_mb": peak_mb(), "workers_mb": list(workers.values())}


def run_pandas(files, vars):
    import pandas
    import vorex

    start = time.perf_counter()
    frame = pandas.concat([pandas.DataFrame(vorex.read_table(STRUCTURE, name, vars=vars, progress=False))
                           for name in files], ignore_index=True).set_index("datetime")
    times = {"read": time.perf_counter() - start}
    rows, step_times = steps(frame, frame[COLUMN], frame.index.floor("1h"), lambda result: result)
    return {"rows": rows, "times": {**times, **step_times}, "peak_mb": peak_mb()}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="the build folder, holding tools/vorex-sim")
    parser.add_argument("--files", type=int, default=24)
    parser.add_argument("--frames", type=int, default=50000)
    parser.add_argument("--child", nargs=3, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.child:
        way, folder, vars = args.child
        warnings.simplefilter("ignore", FutureWarning)
        files = sorted(glob.glob(os.path.join(folder, "*.dat")))
        result = (run_dask if way == "dask" else run_pandas)(files, None if vars == "all" else vars)
        print(json.dumps(result))
        return
    with tempfile.TemporaryDirectory(dir="/tmp") as folder:
        run = os.path.join(folder, "run.bin")
        subprocess.run([os.path.join(args.build, "tools", "vorex-sim"), run, "--frames",
                        str(args.files * args.frames)], check=True)
        size = args.frames * 280
        with open(run, "rb") as source:
            for number in range(args.files):
                with open(os.path.join(folder, f"part{number:03}.dat"), "wb") as part:
                    part.write(source.read(size))
        os.remove(run)
        print(f"{args.files} files of {args.frames} BaseFrames ({size / 1e6:.0f} MB each)")
        print("| columns | way | read (s) | len (s) | per hour (s) | per minute (s) | total (s) | peak memory (MB) |")
        print("|---|---|---|---|---|---|---|---|")
        for vars in (COLUMN, "all"):
            for way in ("dask", "pandas"):
                out = subprocess.run([sys.executable, __file__, args.build, "--child", way, folder, vars],
                                     check=True, capture_output=True, text=True).stdout
                result = json.loads(out.splitlines()[-1])
                times = result["times"]
                memory = f"{result['peak_mb']:.0f}"
                if "workers_mb" in result:
                    memory += " + workers " + " + ".join(f"{mb:.0f}" for mb in result["workers_mb"])
                label = "Dask, 2 workers" if way == "dask" else "read_table loop, pandas"
                print(f"| {'HK_TEMP1' if vars == COLUMN else 'all'} | {label} | {times['read']:.2f} | "
                      f"{times['len']:.2f} | {times['hourly']:.2f} | {times['minutes']:.2f} | "
                      f"{sum(times.values()):.2f} | {memory} |")
                assert result["rows"] == args.files * args.frames


if __name__ == "__main__":
    main()
