#!/usr/bin/env bash
# What the game costs a desktop with a sound device, side by side with an
# installed falling-block peer: per 10 s of play, the CPU time of the game,
# of the sound server and of the X server, and the game's resident memory;
# once per configuration also the game's and the server's CPU while paused.
#
# Runs the Release builds under their own Xvfb (1920x1080 unless BENCH_SCREEN
# says otherwise) with a window manager and a private PulseAudio server whose
# null sink consumes audio at real speed. Each build is played with music on
# and with music off, BENCH_RUNS times each (default 3), alternating on, off,
# on, off...; every peer in BENCH_PEERS (default quadrapassel and ltris,
# those installed) plays silently once per round in the same alternation, so
# a machine that gets busier part way through shows in every column alike.
# Quadrapassel is started into a game and keeps its sound off through
# settings of its own; it has no music. Each build is also measured once
# with no sound device at all.
#
#   bench/sound-cost.sh [build dir ...]      (default build/release)
#
# Several build folders (say, one of an older commit) are measured in the same
# run, so their figures can be compared side by side. Each row is one run, and
# a summary gives each configuration's median and range (min-max). "plays"
# says whether the window changed over the measured period: a peer left on its
# menu or a game stopped by a dialog would otherwise pass for a cheap one.
#
# More: BENCH_SECONDS (measured period, default 10; figures are scaled to
# 10 s), BENCH_SETTLE (s between the window's mapping and the measuring,
# default 4), BENCH_MUSIC (music settings per build, default "1 0"),
# BENCH_THREADS=1 (the busiest threads of each configuration's first run),
# BENCH_STARTS=N (median start-up of N starts per build), BENCH_KEEP=1.
# With the defaults one build takes about 3 minutes, two about 5.
#
# Needs: xvfb openbox xdotool imagemagick pulseaudio sqlite3, and for the
# comparison quadrapassel (scripts/install-bench-tools.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

. bench/build-folders.sh
take_builds bin/tumblewick build/release "$@"
period=${BENCH_SECONDS:-10}
settle=${BENCH_SETTLE:-4}
runs=${BENCH_RUNS:-3}
hz=$(getconf CLK_TCK)

BENCH_SCREEN=${BENCH_SCREEN:-1920x1080}
. bench/desktop-session.sh

ticks() { # utime + stime of the process, every thread's, in clock ticks
  awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}
rss_mb() { awk -v kb="$(rss_kb "$1")" 'BEGIN { printf "%.0f", kb / 1024 }'; }
# The sound server mixes the streams and converts their rate to the device's,
# and the X server draws what the game asks for: both work for the game.
cpu_over_period() { # pid → "game server x", in ms per 10 s
  local pid=$1 before=() after=()
  for p in "$pid" "$server" "$xserver"; do before+=("$(ticks "$p")"); done
  sleep "$period"
  for p in "$pid" "$server" "$xserver"; do after+=("$(ticks "$p")"); done
  for i in 0 1 2; do
    echo $(( (after[i] - before[i]) * 1000 * 10 / (hz * period) ))
  done | paste -sd' '
}
# The threads that used the most CPU over a period, for finding where it goes
# (ms per 10 s, like the rest).
busy_threads() {
  local pid=$1
  declare -A start
  for t in /proc/"$pid"/task/*; do
    start[$t]=$(ticks "$pid/task/${t##*/}" 2>/dev/null || echo 0)
  done
  sleep "$period"
  for t in "${!start[@]}"; do
    [ -r "$t/stat" ] || continue
    echo "$(( ($(ticks "$pid/task/${t##*/}") - ${start[$t]}) * 1000 * 10 / (hz * period) )) $(cat "$t/comm")"
  done | sort -rn | head -4 | awk '{ printf "%s %s ms; ", $2, $1 }'
}
shot() { import -window "$1" "$2" 2>/dev/null || true; }

# Quadrapassel takes its settings from a key file of its own, with its sound
# off. Any key pressed before a game runs crashes the one Debian ships, so the
# game is started with a click on its play button, at the bottom right.
peer_home=$work/peer-home
mkdir -p "$peer_home/glib-2.0/settings"
printf '[org/gnome/Quadrapassel]\nsound=false\n' >"$peer_home/glib-2.0/settings/keyfile"
start_quadrapassel() { # window
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --window "$1" $((WIDTH - 110)) $((HEIGHT - 80)) click 1 mousemove 0 0
}

# name, run, pause key (empty: no pause), start action (empty: none), command...
# Runs in $data. Prints a row and adds the playing figures to $work/results.
measure() {
  local name=$1 run=$2 pause_key=$3 start_action=$4; shift 4
  local started; started=$(date +%s%N)
  (cd "$data" && exec "$@") >>"$work/$name.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  local window
  # A build being rebuilt while it is measured, say, fails to start: the
  # other runs still tell.
  if ! window=$(window_of "$pid" 2>/dev/null); then
    printf "| %-40s | %3s | no window: %s\n" "$name" "$run" "$(tail -1 "$work/$name.log")"
    kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true
    return
  fi
  local mapped_ms=$(( ($(date +%s%N) - started) / 1000000 ))
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  [ -n "$start_action" ] && "$start_action" "$window"
  sleep "$settle"
  shot "$window" "$work/before.png"
  local game server_ms x; read -r game server_ms x < <(cpu_over_period "$pid")
  local rss; rss=$(rss_mb "$pid")
  shot "$window" "$work/after.png"
  local plays=yes
  [ "$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)" = 0 ] && plays=NO
  local paused=- threads=""
  if [ -n "$pause_key" ] && [ "$run" = 1 ]; then
    xdotool key --window "$window" "$pause_key"; sleep 1
    local paused_game paused_server; read -r paused_game paused_server _ < <(cpu_over_period "$pid")
    paused="$paused_game / $paused_server"
  fi
  [ -n "${BENCH_THREADS:-}" ] && [ "$run" = 1 ] && threads=$(busy_threads "$pid")
  printf "| %-40s | %3s | %5s | %6s | %5s | %5s | %6s | %8s | %11s | %5s | %s\n" "$name" "$run" "$game" "$server_ms" \
    "$x" "$((game + server_ms + x))" "$rss" "$mapped_ms" "$paused" "$plays" "$threads"
  printf "%s\t%s\t%s\t%s\t%s\t%s\n" "$name" "$game" "$server_ms" "$x" "$((game + server_ms + x))" "$rss" >>"$work/results"
  kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true
}

# Builds are told apart by letter when there are several: A is the first.
letters=(A B C D E F G H)
tag_of() { [ ${#builds[@]} -gt 1 ] && echo " (${letters[$1]})" || true; }
play_build() { # build index, run, music 0/1 (empty: no sound device)
  local build=${builds[$1]} tag; tag=$(tag_of "$1")
  local run=$2 music=$3
  local config=$work/config-$run-$music
  data="$build/data"
  prepare_store "$config" "${music:-1}"
  if [ -n "$music" ]; then
    XDG_CONFIG_HOME="$config" measure "tumblewick$tag, music $([ "$music" = 1 ] && echo on || echo off)" \
      "$run" F3 "" "$build/bin/tumblewick"
  else
    PULSE_SERVER="unix:$work/nowhere" XDG_CONFIG_HOME="$config" \
      measure "tumblewick$tag, no sound device" "$run" F3 "" "$build/bin/tumblewick"
  fi
  rm -rf "$config"
}
play_peer() { # peer, run
  local peer=$1 start_action=""
  [ "$(basename "$peer")" = quadrapassel ] && start_action=start_quadrapassel
  data=$work
  HOME="$peer_home" XDG_CONFIG_HOME="$peer_home" GSETTINGS_BACKEND=keyfile \
    measure "$(basename "$peer"), no sound" "$2" "" "$start_action" "$peer"
}

peers=()
for peer in ${BENCH_PEERS:-quadrapassel ltris}; do
  if [ -x "/usr/games/$peer" ]; then peers+=("/usr/games/$peer")
  elif command -v "$peer" >/dev/null; then peers+=("$(command -v "$peer")")
  fi
done

if [ ${#builds[@]} -gt 1 ]; then
  for i in "${!builds[@]}"; do echo "${letters[$i]}: ${builds[$i]}"; done
fi
scaled=""
[ "$period" = 10 ] || scaled=" (measured over ${period} s)"
echo "per 10 s of play$scaled: CPU ms of the game, the sound server, the X server, and their total;"
echo "the game's resident memory; start-up until the window is mapped; once per configuration the CPU ms"
echo "of the game / the sound server over ${period} s while paused; whether the window changed while measured"
printf "| %-40s | %3s | %5s | %6s | %5s | %5s | %6s | %8s | %11s | %5s |\n" \
  "" run game server X total "RSS MB" "start ms" paused plays
for run in $(seq "$runs"); do
  for i in "${!builds[@]}"; do
    for music in ${BENCH_MUSIC-1 0}; do play_build "$i" "$run" "$music"; done
  done
  for peer in "${peers[@]}"; do play_peer "$peer" "$run"; done
done
for i in "${!builds[@]}"; do play_build "$i" 1 ""; done

echo
echo "median (min-max) over the runs, per 10 s of play"
printf "| %-40s | %-13s | %-13s | %-13s | %-13s | %-10s |\n" "" game "sound server" "X server" total "RSS MB"
awk -F'\t' '
  !($1 in count) { order[++configs] = $1 }
  { n = ++count[$1]; for (c = 2; c <= 6; ++c) value[$1, c, n] = $c }
  function summary(config, c,   n, i, j, t, v) {
    n = count[config]
    for (i = 1; i <= n; ++i) v[i] = value[config, c, i]
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] > v[j]; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return sprintf("%s (%s-%s)", n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2, v[1], v[n])
  }
  END {
    for (k = 1; k <= configs; ++k)
      printf "| %-40s | %-13s | %-13s | %-13s | %-13s | %-10s |\n", order[k],
        summary(order[k], 2), summary(order[k], 3), summary(order[k], 4), summary(order[k], 5), summary(order[k], 6)
  }' "$work/results"

# Start-up alone, several times over, as its median: one start is too noisy
# to tell two builds apart.
if [ "${BENCH_STARTS:-0}" -gt 0 ]; then
  echo
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
    printf "| %-40s | %s ms |\n" "$build" "$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')"
  done
fi
