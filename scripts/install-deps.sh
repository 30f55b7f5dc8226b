#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Skips what is present; needs root (or sudo).
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config
  # tests, benchmarks and fuzzing (libFuzzer comes with clang's runtime)
  googletest libgtest-dev libgmock-dev libbenchmark-dev time clang libclang-rt-14-dev
  # framework layer
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core xvfb xauth
  # PNG files written without the window system
  zlib1g-dev
  # the tessor program's command line and JSON output (header-only)
  libcli11-dev nlohmann-json3-dev
  # imaging layer
  libdcmtk-dev dcmtk libsimpleini-dev libcharls-dev libopenjp2-7-dev
  # sample files and validation; pydicom, numpy and GDCM's gdcmconv also decode the stitched
  # files outside our code (tests/support/decode_pixels.py)
  python3 python3-pydicom python3-numpy dicom3tools libgdcm-tools
  # profiling the stages of a stitch (perf record, bench/RESULTS.md)
  linux-perf
  # tracing the files a command opens (tessor stitch starts no window system)
  strace
  # the DICOM archive the network tests start and stop themselves (never run as a service),
  # and curl for its REST API in the archive round trip
  orthanc curl
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
