#!/usr/bin/env bash
# What the game costs a desktop with a sound device: CPU time of the whole
# process per 10 s while playing and while paused, with music off and on,
# its resident memory, and how long it takes to map its window.
#
# Runs the Release build under its own Xvfb with a window manager and a
# private PulseAudio server whose null sink consumes audio at real speed.
# A falling-block peer that is installed (quadrapassel, ltris, or whatever
# BENCH_PEERS names) is measured the same way beside it.
#
#   bench/sound-cost.sh [build dir ...]      (default build/release)
#
# Several build folders (say, one of an older commit) are measured one after
# the other in the same run, so their figures can be compared side by side.
#
# Needs: xvfb openbox xdotool pulseaudio sqlite3 (scripts/install-bench-tools.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

builds=()
for folder in "${@:-build/release}"; do
  builds+=("$(realpath "$folder")")
  [ -x "${builds[-1]}/bin/tumblewick" ] || { echo "no game in $folder: build it first (scripts/play.sh builds build/release)" >&2; exit 1; }
done
period=${BENCH_SECONDS:-10}
settle=${BENCH_SETTLE:-6}

. bench/desktop-session.sh

cpu_ms() { # utime + stime of the process, in ms
  awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) * 1000 / hz }' "/proc/$1/stat"
}
rss_mb() { awk -v kb="$(rss_kb "$1")" 'BEGIN { printf "%.0f", kb / 1024 }'; }
# The sound server's share is counted too: it mixes the streams and converts
# their rate to the device's, which is work done for the game.
cpu_over_period() { # pid → "game server"
  local before server_before
  before=$(cpu_ms "$1"); server_before=$(cpu_ms "$server"); sleep "$period"
  echo "$(($(cpu_ms "$1") - before)) $(($(cpu_ms "$server") - server_before))"
}
# The threads that used the most CPU over the period, for finding where it goes.
busy_threads() {
  local pid=$1 hz; hz=$(getconf CLK_TCK)
  declare -A start
  for t in /proc/"$pid"/task/*; do
    start[$t]=$(awk '{ sub(/.*\) /, ""); print $12 + $13 }' "$t/stat" 2>/dev/null || echo 0)
  done
  sleep "$period"
  for t in "${!start[@]}"; do
    [ -r "$t/stat" ] || continue
    local now; now=$(awk '{ sub(/.*\) /, ""); print $12 + $13 }' "$t/stat")
    echo "$(( (now - ${start[$t]}) * 1000 / hz )) $(cat "$t/comm")"
  done | sort -rn | head -4 | awk '{ printf "%s %s ms; ", $2, $1 }'
}

# name, pause key (empty: no pause), command... Runs in the game's data folder.
measure() {
  local name=$1 pause_key=$2; shift 2
  local started; started=$(date +%s%N)
  (cd "$data" && exec "$@") >"$work/$name.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  local window; window=$(window_of "$pid")
  local mapped_ms=$(( ($(date +%s%N) - started) / 1000000 ))
  sleep "$settle"
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  local playing playing_server; read -r playing playing_server < <(cpu_over_period "$pid")
  local rss; rss=$(rss_mb "$pid")
  local paused=- paused_server=-
  if [ -n "$pause_key" ]; then
    xdotool key --window "$window" "$pause_key"; sleep 1
    read -r paused paused_server < <(cpu_over_period "$pid")
  fi
  local threads=""
  [ -n "${BENCH_THREADS:-}" ] && threads=$(busy_threads "$pid")
  printf "| %-44s | %8s | %8s | %7s | %9s | %14s | %s\n" "$name" "$playing" "$paused" "$rss" "$mapped_ms" \
    "$playing_server / $paused_server" "$threads"
  kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true
}

echo "CPU time in ms per ${period} s; memory resident; start-up until the window is mapped;"
echo "the sound server's CPU time in ms per ${period} s while the game played and was paused"
printf "| %-44s | %8s | %8s | %7s | %9s | %14s |\n" "" "playing" "paused" "RSS MB" "start ms" "server"
for build in "${builds[@]}"; do
  data="$build/data" game="$build/bin/tumblewick" tag=""
  [ ${#builds[@]} -gt 1 ] && tag=" ($(basename "$build"))"
  for music in ${BENCH_MUSIC-0 1}; do
    prepare_store "$work/config-$music" "$music"
    label="tumblewick$tag, music $([ "$music" = 1 ] && echo on || echo off)"
    XDG_CONFIG_HOME="$work/config-$music" measure "$label" F3 "$game"
    rm -rf "$work/config-$music"
  done
  # The same game with no sound device at all.
  prepare_store "$work/config-none" 1
  PULSE_SERVER="unix:$work/nowhere" XDG_CONFIG_HOME="$work/config-none" \
    measure "tumblewick$tag, no sound device" F3 "$game"
  rm -rf "$work/config-none"
done

# Start-up alone, several times over, as its median: one start is too noisy
# to tell two builds apart.
if [ "${BENCH_STARTS:-0}" -gt 0 ]; then
  echo "start-up until the window is mapped, median of $BENCH_STARTS (music on)"
  for build in "${builds[@]}"; do
    times=()
    for _ in $(seq "$BENCH_STARTS"); do
      prepare_store "$work/config-start" "${BENCH_START_MUSIC:-1}"
      started=$(date +%s%N)
      (cd "$build/data" && XDG_CONFIG_HOME="$work/config-start" exec ../bin/tumblewick) >/dev/null 2>&1 &
      pid=$!
      window_of "$pid" >/dev/null
      times+=($(( ($(date +%s%N) - started) / 1000000 )))
      kill "$pid"; wait "$pid" 2>/dev/null || true
      rm -rf "$work/config-start"
    done
    printf "| %-44s | %s ms |\n" "$(basename "$build")" "$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')"
  done
fi

# Peers start on their menus; they are measured as they start, not paused.
data=$work
for peer in ${BENCH_PEERS:-quadrapassel ltris}; do
  command -v "$peer" >/dev/null || [ -x "/usr/games/$peer" ] || continue
  [ -x "/usr/games/$peer" ] && peer=/usr/games/$peer
  HOME="$work/peer-home" XDG_CONFIG_HOME="$work/peer-home" measure "$(basename "$peer")" "" "$peer"
done
