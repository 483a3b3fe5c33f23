# Sourced by the benchmarks that run the built game: a scratch home ($work),
# an X server of its own (screen ${BENCH_SCREEN:-1600x1200}) with a window
# manager, no sound server, and `make_store`. Processes started with their
# pid added to `pids` end with the benchmark.
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "${BENCH_SCREEN:-1600x1200}x24" -nolisten tcp 3>"$work/display" > /dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display") HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export PULSE_SERVER=unix:/nonexistent
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
openbox > /dev/null 2>&1 & pids+=($!)
sleep 1
store=$XDG_CONFIG_HOME/Tumblewick/tumblewick.sqlite

# A store as the game writes it (the schema exactly as the game creates it,
# or the game takes it for someone else's): welcome and sound off, and the
# rows of the settings key (3) given, as SQL values, beside them.
schema=$(sed -n '/kCreateSchema = R"sql(/,/)sql"/p' platform/sqlite/PerUserStore.cpp | sed '1d;$d')
make_store() {
  rm -rf "$XDG_CONFIG_HOME" && mkdir -p "$(dirname "$store")"
  sqlite3 "$store" <<SQL
$schema
INSERT INTO keys VALUES (1, NULL, 'Software'), (2, 1, 'Software\Brindlecove'), (3, 2, 'Software\Brindlecove\Tumblewick');
INSERT INTO registry_values (key, name, type, number) VALUES (3, 'FirstBoot', 4, 0), (3, 'Beep', 4, 0), (3, 'Music', 4, 0),
  (3, 'ShowNagDlg', 4, 0)${1:+, $1};
SQL
}
