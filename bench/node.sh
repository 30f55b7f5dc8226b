#!/usr/bin/env bash
# The storage node under load: SENDERS storescu processes (default 20) each send a 3-piece
# study at once into one `tessor serve`, which stitches every series and forwards each result
# to a second `tessor serve` standing in for the archive. Measured per round, from the first
# send to the last result the archive acknowledged: the wall time, the node's CPU time, and
# the checks that every series arrived exactly once (one result per study, none failed).
# Everything runs on 127.0.0.1; every wait has a deadline.
#   bench/node.sh [BUILD_DIR]      (default: build)
# Environment: SENDERS (20), ROUNDS (3), ROWS x COLS of each piece (1400 x 1000), SETTLE (1).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
TESSOR=$BUILD/app/tessor
SENDERS=${SENDERS:-20}
ROUNDS=${ROUNDS:-3}
ROWS=${ROWS:-1400}
COLS=${COLS:-1000}
SETTLE=${SETTLE:-1}
for tool in "$TESSOR" "$(command -v storescu || true)" /usr/bin/python3; do
  if [ ! -x "$tool" ]; then
    echo "node.sh: ${tool:-storescu} is missing (build first, or scripts/install-deps.sh)" >&2
    exit 1
  fi
done

WORK=$(mktemp -d /tmp/tessor-node-bench-XXXXXX)
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits (at most $2 seconds, polling every 0.1 s) until the command $1 succeeds.
wait_for() {
  local deadline=$((SECONDS + $2))
  until eval "$1"; do
    if [ "$SECONDS" -ge "$deadline" ]; then return 1; fi
    sleep 0.1
  done
}

count_dcm() { find "$1" -name '*.dcm' ! -name '.*' 2>/dev/null | wc -l; }

for ((i = 0; i < SENDERS; ++i)); do
  "$TESSOR" sample --rows "$ROWS" --cols "$COLS" "$WORK/studies/$i" >/dev/null
done

printf 'senders %d, pieces %d x %d, settle %d s\n' "$SENDERS" "$ROWS" "$COLS" "$SETTLE"
printf '%-6s %10s %12s %10s %8s %8s\n' round "wall s" "node CPU s" "per study" results failed
for ((round = 1; round <= ROUNDS; ++round)); do
  dir=$WORK/round-$round
  mkdir -p "$dir"
  sink_port=$(free_port)
  node_port=$(free_port)
  "$TESSOR" serve --port "$sink_port" --ae ARCHIVE --settle 86400 --spool "$dir/archive" >"$dir/archive.log" 2>&1 &
  sink=$!
  PIDS+=("$sink")
  "$TESSOR" serve --port "$node_port" --settle "$SETTLE" --max-associations 32 \
    --forward "ARCHIVE@127.0.0.1:$sink_port" --spool "$dir/node" >"$dir/node.log" 2>&1 &
  node=$!
  PIDS+=("$node")
  wait_for "grep -q ' listening as ' '$dir/archive.log' && grep -q ' listening as ' '$dir/node.log'" 20

  start=$(date +%s.%N)
  senders=()
  for ((i = 0; i < SENDERS; ++i)); do
    timeout 120 storescu -to 30 -ta 30 -td 30 -aec TESSOR 127.0.0.1 "$node_port" \
      "$WORK/studies/$i"/piece-{1,2,3}.dcm >"$dir/sender-$i.log" 2>&1 &
    senders+=($!)
  done
  for pid in "${senders[@]}"; do wait "$pid" || echo "a sender failed: see $dir" >&2; done
  if ! wait_for "[ \$(count_dcm '$dir/node/sent') -ge $SENDERS ]" 600; then
    echo "node.sh: not every result was forwarded within 600 s; see $dir/node.log" >&2
  fi
  end=$(date +%s.%N)
  # The node's user + system CPU time, in clock ticks, before it stops.
  ticks=$(awk '{print $14 + $15}' "/proc/$node/stat")
  kill -TERM "$node" "$sink"
  wait "$node" "$sink" || true
  PIDS=()
  /usr/bin/python3 - "$start" "$end" "$ticks" "$(getconf CLK_TCK)" "$SENDERS" \
    "$(count_dcm "$dir/archive/incoming")" "$(count_dcm "$dir/node/failed")" "$round" <<'EOF'
import sys
start, end, ticks, hz, senders, results, failed, round_ = sys.argv[1:]
wall = float(end) - float(start)
print(f"{round_:<6} {wall:10.1f} {int(ticks) / int(hz):12.1f} {wall / int(senders):10.2f} {results:>8} {failed:>8}")
EOF
done
