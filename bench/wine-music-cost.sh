#!/usr/bin/env bash
# What the Windows build spends while its music plays under Wine: CPU ms per
# 10 s of play of the game, of the wineserver and of the X server, and the
# game's resident memory, with music on and off in turn, three runs each
# (BENCH_RUNS), for each Windows build folder given, side by side. MCI plays
# the songs there, so on Windows the system's synthesizer sets the music's
# cost; Wine finds no MIDI device here, so what shows is the game's own part.
#
#   bench/wine-music-cost.sh [windows build dir ...]   (default build/windows-release)
#
# Needs: xvfb openbox xdotool pulseaudio sqlite3 (scripts/install-bench-tools.sh) and wine
# (scripts/install-dependencies.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/build-folders.sh
take_builds bin/tumblewick.exe build/windows-release "$@"
period=${BENCH_SECONDS:-10}
settle=${BENCH_SETTLE:-6}
BENCH_SCREEN=${BENCH_SCREEN:-1920x1080}
. bench/desktop-session.sh
. bench/wine-session.sh

echo "per $period s of play: CPU ms of the game, the wineserver, the X server; the game's resident memory"
printf "| %-52s | run | game | wineserver | X | RSS MB |\n" ""
for run in $(seq "${BENCH_RUNS:-3}"); do
  for build in "${builds[@]}"; do
    for music in 1 0; do
      prepare_wine "$music"
      start_windows_game "$build"
      window=$(window_of "$game_pid")
      sleep "$settle"
      xdotool windowactivate --sync "$window" 2>/dev/null || true
      winesrv=$(prefix_process wineserver)
      read -r g0 w0 x0 < <(echo "$(cpu_ms "$game_pid") $(cpu_ms "$winesrv") $(cpu_ms "$xserver")")
      sleep "$period"
      printf "| %-52s | %3s | %4s | %10s | %3s | %6s |\n" "$(basename "$build"), music $([ "$music" = 1 ] && echo on || echo off)" \
        "$run" "$(($(cpu_ms "$game_pid") - g0))" "$(($(cpu_ms "$winesrv") - w0))" "$(($(cpu_ms "$xserver") - x0))" \
        "$(awk -v kb="$(rss_kb "$game_pid")" 'BEGIN { printf "%.0f", kb / 1024 }')"
      end_windows_game "$game_pid"
    done
  done
done
