# Sourced by the on-screen tests of the built program: a private home and
# store, an X server of its own with a window manager, and `fail`. Needs
# $scratch (emptied here) and $tools, the commands the test uses.
for tool in Xvfb openbox $tools; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/install-dependencies.sh installs it)"; exit 77; }
done
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch/home/config" "$scratch/home/runtime"
chmod 700 "$scratch/home/runtime"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" XDG_RUNTIME_DIR="$scratch/home/runtime"
export PULSE_SERVER=unix:/nonexistent ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb
store="$XDG_CONFIG_HOME/Tumblewick/tumblewick.sqlite"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xserver=$!
game=""
trap 'kill -KILL $game $xserver 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"
openbox >"$scratch/openbox.log" 2>&1 &
