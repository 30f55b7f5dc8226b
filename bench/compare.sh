#!/usr/bin/env bash
# Side-by-side comparison on the raw 3-piece study (3000 x 2500, 16-bit):
#   tessor stitch --auto   the program
#   tessor stitch --align  the program, registering the junctions as well (ratio to --auto)
#   io_floor               reads every input completely, writes as many bytes as the output
#   peer_stitch.py         the same job in Python with pydicom and numpy
# The three run interleaved, RUNS rounds (default 7) after one warm-up round, each under
# /usr/bin/time (wall, user + system CPU, maximum resident set); the table shows medians.
# A fourth row runs tessor with glibc's transparent huge pages for large blocks
# (GLIBC_TUNABLES=glibc.malloc.hugetlb=1): most of its time goes to first-touch page faults.
# Two more rows give the fixed start-up cost: `tessor --help` against `tessor stitch --auto`
# on a tiny 3-piece study (64 x 48, 16-bit).
#   bench/compare.sh [BUILD_DIR]      (default: build; run `make bench` first)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
RUNS=${RUNS:-7}
TESSOR=$BUILD/app/tessor
FLOOR=$BUILD/bench/io_floor
PEER=$ROOT/bench/peer_stitch.py
PYTHON=/usr/bin/python3
TIME=/usr/bin/time
for tool in "$TESSOR" "$FLOOR" "$PYTHON" "$TIME"; do
  if [ ! -x "$tool" ]; then
    echo "compare.sh: $tool is missing (run make bench, or scripts/install-deps.sh)" >&2
    exit 1
  fi
done

WORK=$BUILD/bench-compare
rm -rf "$WORK"
mkdir -p "$WORK"
STUDY=$WORK/study
"$TESSOR" sample --rows 3000 --cols 2500 --pieces 3 --bits 16 --syntax raw "$STUDY" >/dev/null
INPUTS=("$STUDY"/piece-1.dcm "$STUDY"/piece-2.dcm "$STUDY"/piece-3.dcm)
TINY=$WORK/tiny
"$TESSOR" sample --rows 64 --cols 48 --pieces 3 --bits 16 --syntax raw "$TINY" >/dev/null
# The rectangles of the automatic pass, for the peer to cut the same rows.
"$TESSOR" stitch --auto --json -o "$WORK/reference.dcm" "${INPUTS[@]}" >"$WORK/rects.json"
OUT_BYTES=$(stat -c %s "$WORK/reference.dcm")

# measure NAME COMMAND...: appends "NAME wall user sys maxrss_kib" to the samples file.
measure() {
  local name=$1
  shift
  "$TIME" -f "$name %e %U %S %M" -a -o "$WORK/samples.txt" "$@" >/dev/null
}
round() {
  measure tessor "$TESSOR" stitch --auto -o "$WORK/tessor.dcm" "${INPUTS[@]}"
  measure tessor-align "$TESSOR" stitch --align -o "$WORK/tessor-align.dcm" "${INPUTS[@]}"
  measure floor "$FLOOR" "$WORK/floor.bin" "$OUT_BYTES" "${INPUTS[@]}"
  measure peer "$PYTHON" "$PEER" "$WORK/rects.json" "$WORK/peer.dcm"
  GLIBC_TUNABLES=glibc.malloc.hugetlb=1 measure tessor-thp "$TESSOR" stitch --auto -o "$WORK/tessor-thp.dcm" "${INPUTS[@]}"
  measure help "$TESSOR" --help
  measure tiny "$TESSOR" stitch --auto -o "$WORK/tiny.dcm" "$TINY"/piece-*.dcm
}
round
rm -f "$WORK/samples.txt"  # the warm-up round fills the page cache
for _ in $(seq "$RUNS"); do
  round
done

# The peer does the same job: its pixels must equal tessor's.
SAME=$("$PYTHON" -c 'import sys, numpy, pydicom
a, b = (pydicom.dcmread(p).pixel_array for p in sys.argv[1:])
print("yes" if a.shape == b.shape and numpy.array_equal(a, b) else "NO")' "$WORK/tessor.dcm" "$WORK/peer.dcm")

"$PYTHON" - "$WORK/samples.txt" "$RUNS" "$OUT_BYTES" "$SAME" <<'PY'
import statistics, sys
samples, runs, out_bytes, same = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
rows = {}
for line in open(samples):
    parts = line.split()
    if len(parts) == 5 and parts[0] in ("tessor", "tessor-align", "floor", "peer", "tessor-thp", "help", "tiny"):
        name, wall, user, system, rss = parts
        rows.setdefault(name, []).append((float(wall), float(user) + float(system), int(rss)))
med = {n: [statistics.median(v[i] for v in rows[n]) for i in range(3)] for n in rows}
decoded_mib = 3 * 3000 * 2500 * 2 / 2**20
print(f"raw 3-piece study, 3000 x 2500 16-bit; output {out_bytes} bytes; medians of {runs} interleaved runs")
print()
print("| program | wall s | CPU s (user+sys) | peak RSS MiB |")
print("| --- | ---: | ---: | ---: |")
labels = {"tessor": "tessor stitch --auto", "tessor-align": "tessor stitch --align", "floor": "I/O floor (io_floor)", "peer": "peer (pydicom + numpy)",
          "tessor-thp": "tessor stitch --auto, glibc.malloc.hugetlb=1", "help": "tessor --help",
          "tiny": "tessor stitch --auto, tiny study (3 x 64 x 48)"}
for n in ("tessor", "tessor-align", "floor", "peer", "tessor-thp", "help", "tiny"):
    wall, cpu, rss = med[n]
    print(f"| {labels[n]} | {wall:.2f} | {cpu:.2f} | {rss / 1024:.0f} |")
print()
t, f, p = med["tessor"], med["floor"], med["peer"]
def ratio(a, b):
    return a / b if b > 0 else float("inf")
print(f"tessor / floor: wall {ratio(t[0], f[0]):.1f} x, CPU {ratio(t[1], f[1]):.1f} x   (target <= 3 x)")
print(f"peer / tessor:  wall {ratio(p[0], t[0]):.1f} x, CPU {ratio(p[1], t[1]):.1f} x   (target >= 5 x)")
a = med["tessor-align"]
print(f"tessor --align / --auto: wall {ratio(a[0], t[0]):.2f} x, CPU {ratio(a[1], t[1]):.2f} x   (target <= 1.5 x)")
h = med["tessor-thp"]
print(f"with huge pages: tessor / floor wall {ratio(h[0], f[0]):.1f} x, peer / tessor wall {ratio(p[0], h[0]):.1f} x")
limit = 3 * decoded_mib + 64
print(f"peer's pixels equal tessor's: {same}")
s, hl = med["tiny"], med["help"]
print(f"start-up: tiny stitch - --help = {1000 * (s[0] - hl[0]):.0f} ms wall (target <= 30 ms)")
print(f"tessor peak RSS {t[2] / 1024:.0f} MiB; limit 3 x {decoded_mib:.1f} MiB decoded + 64 MiB = {limit:.0f} MiB")
PY
