#!/usr/bin/env bash
# How promptly tones and songs are heard: bench/SoundLatency.cpp, built in
# each build folder given (with -DTUMBLEWICK_BUILD_BENCHMARKS=ON, target
# sound_latency, which plays that build's song1.mid),
# run one after the other against a private PulseAudio server whose null sink
# plays at a device's pace, so that two builds compare side by side.
#
#   bench/sound-latency.sh build/release [older build ...]
#
# Needs: pulseaudio (scripts/install-bench-tools.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
server=
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/home" "$work/run" && chmod 700 "$work/run"
HOME="$work/home" XDG_RUNTIME_DIR="$work/run" pulseaudio --daemonize=no -n --exit-idle-time=-1 \
  --load="module-null-sink sink_name=null" --load="module-native-protocol-unix auth-anonymous=1" \
  >"$work/pulse.log" 2>&1 &
server=$!
export PULSE_SERVER="unix:$work/run/pulse/native"
for _ in $(seq 50); do [ -S "$work/run/pulse/native" ] && break; sleep 0.1; done
for build in "${@:-build/release}"; do
  echo "$build"
  "$build/bin/sound_latency" "${BENCH_TONES:-15}" "$build/data/song1.mid"
done
