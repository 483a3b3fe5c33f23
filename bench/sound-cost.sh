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
# BENCH_NEW_GAMES=N adds the memory over N new games with music on.
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

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${BENCH_KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

# A private sound server: nothing reaches a speaker, but the stream is
# consumed at the pace of a real device. Like a desktop's, it suspends a sink
# whose streams are all paused.
mkdir -p "$work/pulse-home" "$work/run"
chmod 700 "$work/run"
HOME="$work/pulse-home" XDG_RUNTIME_DIR="$work/run" pulseaudio --daemonize=no -n --exit-idle-time=-1 \
  --load=module-null-sink --load=module-suspend-on-idle --load="module-native-protocol-unix auth-anonymous=1" \
  >"$work/pulse.log" 2>&1 &
server=$!
pids+=($server)
export PULSE_SERVER="unix:$work/run/pulse/native"
for _ in $(seq 50); do [ -S "$work/run/pulse/native" ] && break; sleep 0.1; done

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

cpu_ms() { # utime + stime of the process, in ms
  awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) * 1000 / hz }' "/proc/$1/stat"
}
rss_mb() { awk '/^VmRSS/ { printf "%.0f", $2 / 1024 }' "/proc/$1/status"; }
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

prepare_store() { # config dir, music 0/1
  mkdir -p "$1/Tumblewick"
  # The store checks its schema byte for byte, so take it from the source.
  { sed -n '/kCreateSchema = R"sql(/,/)sql"/p' platform/sqlite/PerUserStore.cpp | sed '1d;$d'
    cat <<SQL
INSERT INTO keys VALUES (1, NULL, 'Software'), (2, 1, 'Software\\Brindlecove'), (3, 2, 'Software\\Brindlecove\\Tumblewick');
INSERT INTO registry_values (key, name, type, number) VALUES
  (3, 'ShowNagDlg', 4, 0), (3, 'FirstBoot', 4, 0), (3, 'Music', 4, $2), (3, 'Beep', 4, 1),
  (3, 'Top', 4, 100), (3, 'Left', 4, 100), (3, 'Width', 4, 640), (3, 'Height', 4, 460), (3, 'MinMax', 4, 0);
SQL
  } | sqlite3 "$1/Tumblewick/tumblewick.sqlite"
}

window_of() { # pid → its mapped window, waiting up to 20 s
  for _ in $(seq 2000); do
    local w; w=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return; }
    sleep 0.01
  done
  echo "no window from pid $1" >&2; return 1
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

# Memory over many new games with music on (each one stops a song and starts
# the next), answering the "New Game" question each time.
if [ "${BENCH_NEW_GAMES:-0}" -gt 0 ]; then
  echo "resident memory (MB) with music on: at start, then after every 100 of $BENCH_NEW_GAMES new games"
  for build in "${builds[@]}"; do
    prepare_store "$work/config-games" 1
    (cd "$build/data" && XDG_CONFIG_HOME="$work/config-games" exec ../bin/tumblewick) >/dev/null 2>&1 &
    pid=$!
    pids+=("$pid")
    window=$(window_of "$pid")
    sleep "$settle"
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    sizes="$(rss_mb "$pid")"
    for game in $(seq "$BENCH_NEW_GAMES"); do
      xdotool key F2; sleep 0.2; xdotool key Return; sleep 0.25
      [ $((game % 100)) = 0 ] && sizes="$sizes, $(rss_mb "$pid")"
    done
    printf "| %-44s | %s |\n" "$(basename "$build")" "$sizes"
    kill "$pid"; wait "$pid" 2>/dev/null || true
    rm -rf "$work/config-games"
  done
fi

# Peers start on their menus; they are measured as they start, not paused.
data=$work
for peer in ${BENCH_PEERS:-quadrapassel ltris}; do
  command -v "$peer" >/dev/null || [ -x "/usr/games/$peer" ] || continue
  [ -x "/usr/games/$peer" ] && peer=/usr/games/$peer
  HOME="$work/peer-home" XDG_CONFIG_HOME="$work/peer-home" measure "$(basename "$peer")" "" "$peer"
done
