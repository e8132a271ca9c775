#!/usr/bin/env python3
"""Times Project.table() and read_table() of generated demo BaseFrames against the decoding pass alone.

    PYTHONPATH=build/python python3 bench/python_table.py [--frames N] [--sim build/tools/vorex-sim]

Each measurement runs in a process of its own, so its peak resident memory is its own.
"""

import argparse
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

STRUCTURE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "demo.structure")


def measure(packet, step):
    """Runs in the child: the load (the decoding pass), then table() or to_pandas() when asked; or read_table()."""
    import vorex

    start = time.perf_counter()
    if step == "read":
        table = vorex.read_table(STRUCTURE, packet)
        result = {"table": time.perf_counter() - start, "bytes": sum(column.nbytes for column in table.values())}
        result["peak_mb"] = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
        print(json.dumps(result))
        return
    project = vorex.load(STRUCTURE, packet)
    loaded = time.perf_counter()
    result = {"frames": project.frame_count, "load": loaded - start}
    if step == "table":
        table = project.table()
        result["table"] = time.perf_counter() - loaded
        result["bytes"] = sum(column.nbytes for column in table.values())
    elif step == "pandas":
        frame = project.to_pandas()
        result["table"] = time.perf_counter() - loaded
        result["bytes"] = int(frame.memory_usage(deep=False).sum())
    result["peak_mb"] = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print(json.dumps(result))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--frames", type=int, default=100000)
    parser.add_argument("--sim", default=os.path.join("build", "tools", "vorex-sim"))
    parser.add_argument("--child", nargs=2, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.child:
        measure(*args.child)
        return
    with tempfile.TemporaryDirectory() as folder:
        packet = os.path.join(folder, "bench.dat")
        subprocess.run([args.sim, packet, "--frames", str(args.frames)], check=True)
        runs = {}
        for step in ("load", "table", "pandas", "read"):
            out = subprocess.run([sys.executable, __file__, "--child", packet, step], check=True,
                                 capture_output=True, text=True).stdout
            runs[step] = json.loads(out)
    load = runs["load"]
    print(f"{load['frames']} BaseFrames ({args.frames * 280 / 1e6:.0f} MB file)")
    print(f"decoding pass (vorex.load): {load['load']:.2f} s, peak resident memory {load['peak_mb']:.0f} MB")
    for step, label in (("table", "table()"), ("pandas", "to_pandas()")):
        run = runs[step]
        print(f"{label} after it: {run['table']:.2f} s ({run['table'] / load['load']:.2f} x the pass), "
              f"arrays {run['bytes'] / 1e6:.0f} MB, peak resident memory {run['peak_mb']:.0f} MB "
              f"(+{run['peak_mb'] - load['peak_mb']:.0f} MB)")
    run = runs["read"]
    print(f"read_table() alone, without trees: {run['table']:.2f} s ({run['table'] / load['load']:.2f} x the pass), "
          f"arrays {run['bytes'] / 1e6:.0f} MB, peak resident memory {run['peak_mb']:.0f} MB")


if __name__ == "__main__":
    main()
