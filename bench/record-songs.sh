#!/usr/bin/env bash
# Records what each song sounds like in each build, and with two or more
# builds compares every song of the others against the first's: its level
# (RMS) within 1 dB and each octave band up to 8 kHz within 2 dB
# (bench/RecordingCompare.cpp). Exits with 1 when a song differs.
#
#   bench/record-songs.sh [build dir ...]      (default build/release)
#
# For each build and each song N in its data folder the game starts from a
# scratch folder holding songN.mid as song1.mid and no other song, so the
# chain plays that song whatever comes after it, with music on and tones off,
# and is paused at once, so that nothing but the music sounds. The private
# sound server's null sink is recorded from its monitor from before the game
# starts; the recording is then cut to BENCH_SONG_SECONDS (default 20) from
# its first sound on (the first sample above -60 dBFS), so two builds that
# take different times to start compare the same part of each song.
#
# The recordings go to BENCH_OUT (default build/song-recordings in this
# checkout) as <letter>-<build folder's name>/songN.wav, 16-bit stereo at the
# sink's rate; A is the first build. The same build given twice shows how
# much two recordings of the same thing differ.
#
# Needs: xvfb openbox xdotool pulseaudio pulseaudio-utils sqlite3
# (scripts/install-bench-tools.sh) and a C++20 compiler, which builds the
# comparison into build/bench-tools.
set -euo pipefail
cd "$(dirname "$0")/.."

. bench/build-folders.sh
take_builds bin/tumblewick build/release "$@"
seconds=${BENCH_SONG_SECONDS:-20}
# Time allowed for the game to start and its first note to sound.
lead_in=${BENCH_LEAD_IN:-5}
out=$(realpath -m "${BENCH_OUT:-build/song-recordings}")

compare=build/bench-tools/recording_compare
if [ ! -x "$compare" ] || [ bench/RecordingCompare.cpp -nt "$compare" ]; then
  mkdir -p "$(dirname "$compare")"
  "${CXX:-c++}" -std=c++20 -O2 -Wall -Wextra bench/RecordingCompare.cpp -o "$compare"
fi

. bench/desktop-session.sh

read -r sink sink_rate < <(pactl list short sinks | awk '{ sub(/Hz$/, "", $6); print $2, $6; exit }')

letters=(A B C D E F G H)
labels=()
for i in "${!builds[@]}"; do labels+=("${letters[$i]}-$(basename "${builds[$i]}")"); done

songs_of() { # build → its song numbers, in order
  find "$1/data" -maxdepth 1 -name 'song*.mid' -printf '%f\n' | sed -n 's/^song\([0-9]*\)\.mid$/\1/p' | sort -n
}

record() { # build, song number, wav
  local build=$1 song=$2 scratch=$work/data-$2 config=$work/config-$2
  mkdir -p "$scratch"
  for file in "$build"/data/*; do
    case "$(basename "$file")" in song*.mid) ;; *) ln -s "$file" "$scratch/" ;; esac
  done
  ln -s "$build/data/song$song.mid" "$scratch/song1.mid"
  prepare_store "$config" 1 0
  parec --device="$sink.monitor" --format=s16le --rate="$sink_rate" --channels=2 --file-format=wav "$work/raw.wav" &
  local recorder=$!
  pids+=("$recorder")
  # Recording from before the first note, or the cut would start late.
  for _ in $(seq 100); do pactl list short source-outputs | grep -q . && break; sleep 0.05; done
  (cd "$scratch" && XDG_CONFIG_HOME="$config" exec "$build/bin/tumblewick") >>"$work/game.log" 2>&1 &
  local game=$!
  pids+=("$game")
  xdotool key --window "$(window_of "$game")" F3
  sleep $((seconds + lead_in))
  kill "$game"; wait "$game" 2>/dev/null || true
  kill -INT "$recorder"; wait "$recorder" 2>/dev/null || true
  "$compare" --trim "$seconds" "$work/raw.wav" "$3" | sed "s|^$work/raw.wav|  $(basename "$(dirname "$3")")/song$song|"
  rm -rf "$scratch" "$config" "$work/raw.wav"
}

echo "recording ${seconds} s of each song from the ${sink_rate} Hz null sink into $out"
for i in "${!builds[@]}"; do
  mkdir -p "$out/${labels[$i]}"
  for song in $(songs_of "${builds[$i]}"); do record "${builds[$i]}" "$song" "$out/${labels[$i]}/song$song.wav"; done
done

[ ${#builds[@]} -gt 1 ] || exit 0
different=()
for i in $(seq 1 $((${#builds[@]} - 1))); do
  echo
  echo "${labels[$i]} (${builds[$i]}) against ${labels[0]} (${builds[0]})"
  for song in $(songs_of "${builds[0]}"); do
    echo
    echo "song $song"
    "$compare" "$out/${labels[0]}/song$song.wav" "$out/${labels[$i]}/song$song.wav" | sed "s|$out/||" ||
      different+=("song $song in ${labels[$i]}")
  done
done
echo
if [ ${#different[@]} -eq 0 ]; then echo "every song sounds the same"; else echo "differing: ${different[*]}"; exit 1; fi
