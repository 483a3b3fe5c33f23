#!/usr/bin/env bash
# What ending the game in the middle of play costs: the time from SIGTERM
# (as a desktop ends the session) to the end of the process, which is the
# whole close with its save, and what the store then holds of the game left.
#
#   bench/close-cost.sh [build dir ...]      (default build/release)
#
# Several build folders (say, one of an older commit) are measured in one
# run, in turns, BENCH_ROUNDS times each (default 7); the median is printed.
#
# Needs: xvfb openbox xdotool sqlite3 bc (scripts/install-bench-tools.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

BENCH_SCREEN=1280x800 . bench/desktop.sh

# One start, a few cards played, then SIGTERM: milliseconds to the end.
round() {
  local build=$1 game window start
  make_store
  (cd "$build/data" && exec ../bin/tumblewick > /dev/null 2>&1) & game=$!
  for _ in $(seq 1 600); do
    window=$(xdotool search --onlyvisible --pid "$game" 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.05
  done
  xdotool windowactivate --sync "$window" key --delay 150 Left Down Right Down Right Right Down
  sleep 1
  start=$(date +%s%N)
  kill -TERM "$game"
  wait "$game" 2>/dev/null || true
  echo $((($(date +%s%N) - start) / 1000000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A times
for _ in $(seq 1 "${BENCH_ROUNDS:-7}"); do
  for folder in "${@:-build/release}"; do
    build=$(realpath "$folder")
    [ -x "$build/bin/tumblewick" ] || { echo "no game in $folder: build it first" >&2; exit 1; }
    times[$folder]+="$(round "$build") "
  done
done
for folder in "${@:-build/release}"; do
  round "$(realpath "$folder")" > /dev/null
  kept=$(sqlite3 "$store" "SELECT coalesce(max(length(text)), 0) FROM registry_values WHERE name = 'Game'")
  printf '%-40s close %4s ms (median), store %6s bytes, game kept %4s bytes\n' "$folder" \
    "$(echo "${times[$folder]}" | tr ' ' '\n' | grep . | median)" "$(stat -c %s "$store")" "$kept"
done
