#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (ASan + UBSan + coverage) and runs each for
# SECONDS seconds on a corpus seeded with pydicom's test files, small synthetic studies
# in every syntax the sample command writes, and the committed regression inputs.
# usage: fuzz/run.sh [SECONDS] [HARNESS...]     (crashes land in $BUILD/fuzz-artifacts)
# FUZZ_TIMEOUT (default 120) is the seconds one input may take: generous, because a busy
# machine (or nice -n 19) stretches a normal 1-second decode far beyond libFuzzer's habit.
set -euo pipefail

SECONDS_PER_HARNESS=${1:-60}
shift || true
HARNESSES=("$@")
[ ${#HARNESSES[@]} -eq 0 ] && HARNESSES=(load_image_fuzzer stitch_item_fuzzer peer_fuzzer size_fuzzer dicomdir_fuzzer)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}
PYDICOM=/usr/lib/python3/dist-packages/pydicom/data/test_files

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSOR_FUZZ=ON -DTESSOR_BUILD_TESTS=OFF -DTESSOR_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target "${HARNESSES[@]}"

SEEDS=$BUILD/fuzz-seeds
if [ ! -d "$SEEDS" ]; then
  mkdir -p "$SEEDS.tmp"
  find "$PYDICOM" -maxdepth 1 -type f -name '*.dcm' -exec cp {} "$SEEDS.tmp/" \;
  for dicomdir in "$PYDICOM"/dicomdirtests/DICOMDIR*; do
    [ -f "$dicomdir" ] && cp "$dicomdir" "$SEEDS.tmp/dicomdir-$(basename "$dicomdir")"
  done
  TESSOR=${TESSOR:-}
  if [ -z "$TESSOR" ]; then
    TESSOR=$BUILD/app/tessor
    cmake --build "$BUILD" --target tessor_app
  fi
  for syntax in raw jpeg-lossless jpeg-ls rle; do
    for bits in 8 16; do
      "$TESSOR" sample --rows 96 --cols 64 --pieces 1 --bits "$bits" --syntax "$syntax" "$SEEDS.tmp/$syntax-$bits" >/dev/null
      mv "$SEEDS.tmp/$syntax-$bits/piece-1.dcm" "$SEEDS.tmp/sample-$syntax-$bits.dcm"
      rm -rf "$SEEDS.tmp/$syntax-$bits"
    done
  done
  mv "$SEEDS.tmp" "$SEEDS"
fi

mkdir -p "$BUILD/fuzz-artifacts"
CORPORA=("$SEEDS")
[ -d "$ROOT/tests/data/fuzz" ] && CORPORA+=("$ROOT/tests/data/fuzz")
for harness in "${HARNESSES[@]}"; do
  corpus=$BUILD/fuzz-corpus/$harness
  mkdir -p "$corpus"
  echo "fuzz: $harness for ${SECONDS_PER_HARNESS}s"
  ASAN_OPTIONS=detect_leaks=0 "$BUILD/fuzz/$harness" -max_total_time="$SECONDS_PER_HARNESS" -timeout="${FUZZ_TIMEOUT:-120}" \
    -rss_limit_mb=3072 -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-artifacts/$harness-" \
    "$corpus" "${CORPORA[@]}"
done
