#!/usr/bin/env bash
# Whether new games cost memory: the resident memory of the game at the start
# and after every 25 (BENCH_STEP) of 100 (BENCH_NEW_GAMES) new games, each
# answered "Yes" to the New Game question as a player would, so that each
# ends a game, stops a song and starts the next, and each played for a few
# drops (BENCH_DROPS, 3). The start is taken after 20 such games
# (BENCH_WARM_UP): what the game takes once, such as the first message box
# with its fonts and each card face it draws (kept until exit, 52 at the
# most), is in by then, and what remains is what every new game keeps. With
# music on, on the Linux build with its sound going to a private PulseAudio
# server, and on the Windows build under Wine in a prefix of its own.
#
#   bench/new-games-memory.sh [Linux build dir] [Windows build dir]
#       (default build/release build/windows-release; "-" skips one)
#
# BENCH_LINUX="dir ..." and BENCH_WINDOWS="dir ..." measure several builds
# (say, one of an older commit) one after the other in the same run.
# BENCH_MUSIC=0 plays with music off; BENCH_WINEDEBUG=+gdi with BENCH_KEEP=1
# keeps Wine's count of GDI objects in the kept folder's wine.log.
#
# Needs: xvfb openbox xdotool pulseaudio sqlite3 (scripts/install-bench-tools.sh)
# and wine (scripts/install-dependencies.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

read -r -a linux_builds <<<"${BENCH_LINUX:-${1:-build/release}}"
read -r -a windows_builds <<<"${BENCH_WINDOWS:-${2:-build/windows-release}}"
games=${BENCH_NEW_GAMES:-100}
step=${BENCH_STEP:-25}
settle=${BENCH_SETTLE:-6}
warm_up=${BENCH_WARM_UP:-20}
drops=${BENCH_DROPS:-3}
for build in "${linux_builds[@]}"; do
  [ "$build" = - ] || [ -x "$build/bin/tumblewick" ] || { echo "no Linux game in $build: build it first" >&2; exit 1; }
done
for build in "${windows_builds[@]}"; do
  [ "$build" = - ] || [ -f "$build/bin/tumblewick.exe" ] || { echo "no Windows game in $build: build it first" >&2; exit 1; }
done

. bench/desktop-session.sh

# Answers the question of each new game as a player does: F2, then Enter
# once the question is on the screen, then waits until it has gone, and
# prints the memory at the start and after every $step games.
mb() { awk -v kb="$1" 'BEGIN { printf "%.1f", kb / 1024 }'; }
question_shown() { xdotool search --onlyvisible --name '^New Game$' >/dev/null 2>&1; }
new_game() {
  xdotool key F2
  until question_shown; do sleep 0.02; done
  xdotool key Return
  while question_shown; do sleep 0.02; done
  sleep 0.1
  for _ in $(seq "$drops"); do xdotool key Down; sleep 0.3; done
}
play_new_games() { # pid of the process to measure
  local cold sizes
  cold=$(mb "$(rss_kb "$1")")
  for _ in $(seq "$warm_up"); do new_game; done
  sizes=$(mb "$(rss_kb "$1")")
  for game in $(seq "$games"); do
    new_game
    [ $((game % step)) = 0 ] && sizes="$sizes, $(mb "$(rss_kb "$1")")"
  done
  echo "$cold | $sizes"
}

music=${BENCH_MUSIC:-1}
echo "resident memory (MB), music $([ "$music" = 1 ] && echo on || echo off), $drops drops a game:" \
  "when the window is up | after $warm_up new games, then after every $step of $games more"
for build in "${linux_builds[@]}"; do
  [ "$build" = - ] && continue
  label="Linux, $build" build=$(realpath "$build")
  prepare_store "$work/config" "$music"
  (cd "$build/data" && XDG_CONFIG_HOME="$work/config" exec ../bin/tumblewick) >"$work/linux.log" 2>&1 &
  pid=$!
  pids+=("$pid")
  window=$(window_of "$pid")
  sleep "$settle"
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  printf "| %-40s | %s |\n" "$label" "$(play_new_games "$pid")"
  kill "$pid"; wait "$pid" 2>/dev/null || true
  rm -rf "$work/config"
done

. bench/wine-session.sh
for build in "${windows_builds[@]}"; do
  [ "$build" = - ] && continue
  label="Wine, $build" build=$(realpath "$build")
  prepare_wine "$music"
  start_windows_game "$build"
  pid=$game_pid
  window=$(window_of "$pid")
  sleep "$settle"
  xdotool windowactivate --sync "$window" 2>/dev/null || true
  printf "| %-40s | %s |\n" "$label" "$(play_new_games "$pid")"
  end_windows_game "$pid"
done
