#!/usr/bin/env bash
# What a zoomed window costs: CPU time per 10 s of the game and of the X
# server together while a game runs with music off, in the default window and
# maximised, on a 1920 x 1080 screen at 125 % (QT_SCALE_FACTOR=1.25).
#
#   bench/zoom-cost.sh [build dir ...]      (default build/release)
#
# Needs: xvfb openbox xdotool sqlite3 (scripts/install-bench-tools.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
builds=("${@:-build/release}")
period=${BENCH_PERIOD:-10}
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT

display=:$((RANDOM % 400 + 300))
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xserver=$!
pids+=("$xserver")
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) * 1000 / hz }' "/proc/$1/stat"; }

prepare_store() { # config dir, MinMax
  mkdir -p "$1/Tumblewick"
  # The store checks its schema byte for byte, so take it from the source.
  { sed -n '/kCreateSchema = R"sql(/,/)sql"/p' platform/sqlite/PerUserStore.cpp | sed '1d;$d'
    cat <<SQL
INSERT INTO keys VALUES (1, NULL, 'Software'), (2, 1, 'Software\\Brindlecove'), (3, 2, 'Software\\Brindlecove\\Tumblewick');
INSERT INTO registry_values (key, name, type, number) VALUES
  (3, 'ShowNagDlg', 4, 0), (3, 'FirstBoot', 4, 0), (3, 'Music', 4, 0), (3, 'Beep', 4, 1),
  (3, 'Top', 4, 100), (3, 'Left', 4, 100), (3, 'Width', 4, 640), (3, 'Height', 4, 460), (3, 'MinMax', 4, $2);
SQL
  } | sqlite3 "$1/Tumblewick/tumblewick.sqlite"
}

printf "| %-40s | %-8s | %-9s | %-8s |\n" "build, window" "game ms" "X server" "together"
for build in "${builds[@]}"; do
  for minmax in 0 2; do
    config="$work/config-$minmax-$(basename "$build")"
    prepare_store "$config" "$minmax"
    (cd "$build/data" && XDG_CONFIG_HOME=$config QT_SCALE_FACTOR=1.25 PULSE_SERVER=unix:/nonexistent \
      exec ../bin/tumblewick) >"$work/game.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    window=""
    for _ in $(seq 2000); do
      window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1 || true)
      [ -n "$window" ] && break
      sleep 0.01
    done
    sleep 2
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    sleep 1
    game=$(cpu_ms "$pid"); x=$(cpu_ms "$xserver")
    # A card is steered and dropped now and then, as a player does.
    for _ in $(seq "$period"); do
      xdotool key --window "$window" Left; sleep 0.5; xdotool key --window "$window" Right Down; sleep 0.5
    done
    game=$(($(cpu_ms "$pid") - game)); x=$(($(cpu_ms "$xserver") - x))
    name="$build, $([ "$minmax" = 2 ] && echo maximised || echo default)"
    printf "| %-40s | %8s | %9s | %8s |\n" "$name" "$game" "$x" "$((game + x))"
    kill "$pid"; wait "$pid" 2>/dev/null || true
  done
done
