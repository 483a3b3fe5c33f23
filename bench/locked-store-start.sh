#!/usr/bin/env bash
# How long the game takes to map its main window while another program holds
# its store locked (an sqlite3 shell inside BEGIN EXCLUSIVE), beside the same
# start with the store free, and whether the close that follows, after the
# lock is let go, leaves the player's stored settings as they were.
#
#   bench/locked-store-start.sh [build dir ...]      (default build/release)
#
# Several build folders (say, one of an older commit) are measured one after
# the other in the same run. Each start waits for at most BENCH_WAIT seconds
# (default 150) for the window.
#
# Needs: xvfb openbox xdotool sqlite3 (scripts/install-bench-tools.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

# Settings that differ from the defaults, to see whether a close keeps them.
. bench/desktop.sh
make_settings() { make_store "(3, 'SwapMode', 4, 1), (3, 'BackgroundColor', 4, 8388608)"; }
stored() {
  sqlite3 "$store" "SELECT group_concat(name || '=' || number, ' ') FROM (SELECT * FROM registry_values
    WHERE name IN ('Beep', 'Music', 'SwapMode', 'ShowNagDlg', 'BackgroundColor') ORDER BY name)"
}

# One start; with "locked", a shell holds the store until the window is up.
start() {
  local build=$1 lock=$2 fifo=$work/fifo holder="" start seconds window=""
  make_settings
  local before; before=$(stored)
  if [ "$lock" = locked ]; then
    rm -f "$fifo" && mkfifo "$fifo"
    sqlite3 "$store" < "$fifo" > /dev/null 2>&1 &
    sleep 100000 > "$fifo" & holder=$!
    echo "BEGIN EXCLUSIVE;" > "$fifo"
    sleep 0.5
  fi
  start=$(date +%s.%N)
  (cd "$build/data" && exec ../bin/tumblewick > /dev/null 2>&1) & local game=$!
  for _ in $(seq 1 $((${BENCH_WAIT:-150} * 20))); do
    window=$(xdotool search --onlyvisible --pid "$game" 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.05
  done
  seconds=$(echo "$(date +%s.%N) - $start" | bc)
  if [ -n "$holder" ]; then
    echo "COMMIT;" > "$fifo"; kill "$holder"
  fi
  sleep 1
  for _ in $(seq 1 20); do
    kill -0 "$game" 2>/dev/null || break
    xdotool key alt+F4; sleep 1
  done
  kill "$game" 2>/dev/null || true
  wait "$game" 2>/dev/null || true
  local kept=kept; [ "$(stored)" = "$before" ] || kept="REPLACED: $(stored)"
  printf '%-40s %-7s window after %6.2f s, settings %s\n' "$build" "$lock" "$seconds" "$kept"
}

for folder in "${@:-build/release}"; do
  build=$(realpath "$folder")
  [ -x "$build/bin/tumblewick" ] || { echo "no game in $folder: build it first" >&2; exit 1; }
  start "$build" free
  start "$build" locked
done
