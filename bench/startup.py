#!/usr/bin/env python3
"""Start-up of two tessor builds side by side: `tessor --help` and `tessor stitch --auto` on
a tiny study, interleaved, RUNS rounds after one warm-up round. Wall time by perf_counter,
CPU time (user + system) from getrusage of the child: 1 ms resolution, where /usr/bin/time
in compare.sh gives 10 ms.
    bench/startup.py RUNS TESSOR_A TESSOR_B TINY_DIR     (TINY_DIR: piece-1..3.dcm, e.g. of
                                                          tessor sample --rows 64 --cols 48)
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time


def timed(args):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    runs, programs, tiny = int(sys.argv[1]), {"A": sys.argv[2], "B": sys.argv[3]}, sys.argv[4]
    pieces = [os.path.join(tiny, f"piece-{i}.dcm") for i in (1, 2, 3)]
    out = tempfile.mkdtemp(prefix="tessor-startup-")
    samples = {}
    for round_index in range(runs + 1):
        for tag, program in programs.items():
            for name, args in (("help", [program, "--help"]),
                               ("tiny", [program, "stitch", "--auto", "-o", os.path.join(out, tag + ".dcm")] + pieces)):
                sample = timed(args)
                if round_index > 0:  # the first round fills the page cache
                    samples.setdefault((tag, name), []).append(sample)
    median = {key: [statistics.median(s[i] for s in values) * 1000 for i in (0, 1)] for key, values in samples.items()}
    print(f"medians of {runs} interleaved rounds; A = {programs['A']}, B = {programs['B']}")
    for tag in programs:
        help_, tiny_ = median[(tag, "help")], median[(tag, "tiny")]
        print(f"{tag}: --help {help_[0]:.1f} ms wall {help_[1]:.1f} ms CPU; tiny {tiny_[0]:.1f} ms wall "
              f"{tiny_[1]:.1f} ms CPU; tiny - help {tiny_[0] - help_[0]:.1f} ms wall {tiny_[1] - help_[1]:.1f} ms CPU")


if __name__ == "__main__":
    main()
