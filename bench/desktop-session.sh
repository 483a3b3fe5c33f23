# A desktop of the bench scripts' own, sourced by them after `cd` to the
# checkout: a scratch folder ($work) removed at exit with every process
# started into $pids, a private PulseAudio server whose null sink consumes
# sound at the pace of a real device and, like a desktop's, is suspended
# while every stream is paused ($server, exported as PULSE_SERVER), and an
# Xvfb screen of ${BENCH_SCREEN:-1600x1200} framed by openbox ($xserver,
# exported as DISPLAY).
#
# Needs: xvfb openbox xdotool pulseaudio sqlite3 (scripts/install-bench-tools.sh).

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${BENCH_KEEP:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

mkdir -p "$work/pulse-home" "$work/run"
chmod 700 "$work/run"
HOME="$work/pulse-home" XDG_RUNTIME_DIR="$work/run" pulseaudio --daemonize=no -n --exit-idle-time=-1 \
  --load=module-null-sink --load=module-suspend-on-idle --load="module-native-protocol-unix auth-anonymous=1" \
  >"$work/pulse.log" 2>&1 &
server=$!
pids+=("$server")
export PULSE_SERVER="unix:$work/run/pulse/native"
for _ in $(seq 50); do [ -S "$work/run/pulse/native" ] && break; sleep 0.1; done

# The server picks a free display and names it, so that scripts running side
# by side never share one.
Xvfb -displayfd 3 -screen 0 "${BENCH_SCREEN:-1600x1200}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xserver=$!
pids+=("$xserver")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display_number=$(head -1 "$work/display")
export DISPLAY=":$display_number"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) * 1000 / hz }' "/proc/$1/stat"; }

window_of() { # pid → its mapped window, waiting up to 20 s while the process lives
  local deadline=$((SECONDS + 20)) w
  while [ "$SECONDS" -lt "$deadline" ] && [[ $(cat "/proc/$1/stat" 2>/dev/null) == *") "[^Z]" "* ]]; do
    w=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return; }
    sleep 0.01
  done
  echo "no window from pid $1" >&2; return 1
}

prepare_store() { # config dir, music 0/1, beep 0/1 (default 1)
  mkdir -p "$1/Tumblewick"
  # The store checks its schema byte for byte, so take it from the source.
  { sed -n '/kCreateSchema = R"sql(/,/)sql"/p' platform/sqlite/PerUserStore.cpp | sed '1d;$d'
    cat <<SQL
INSERT INTO keys VALUES (1, NULL, 'Software'), (2, 1, 'Software\\Brindlecove'), (3, 2, 'Software\\Brindlecove\\Tumblewick');
INSERT INTO registry_values (key, name, type, number) VALUES
  (3, 'ShowNagDlg', 4, 0), (3, 'FirstBoot', 4, 0), (3, 'Music', 4, $2), (3, 'Beep', 4, ${3:-1}),
  (3, 'Top', 4, 100), (3, 'Left', 4, 100), (3, 'Width', 4, 640), (3, 'Height', 4, 460), (3, 'MinMax', 4, 0);
SQL
  } | sqlite3 "$1/Tumblewick/tumblewick.sqlite"
}
