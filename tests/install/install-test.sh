#!/bin/sh
# Installs the build tree into a scratch prefix, checks that everything a
# desktop needs landed where it looks for it, and starts the installed game
# the way the desktop entry does: by name, from the PATH, from some other
# folder. The game must come up in its data folder with the installed card
# module, still be running when we end it, and then save and end by itself.
#
# install-test.sh <cmake> <build dir> <scratch dir> <app id> <bindir> <libexecdir> <datadir> <game data dir>
#                 <build data dir>
set -eu
cmake=$1 build=$2 scratch=$3 id=$4 bindir=$5 libexecdir=$6 datadir=$7 gamedatadir=$8 builddata=$9

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
# A space in the prefix catches a launcher that does not quote its paths.
prefix="$scratch/a prefix"
"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" || fail "cmake --install failed"
prefix=$(cd "$prefix" && pwd -P)

program="$prefix/$libexecdir/tumblewick/tumblewick"
module="$prefix/$libexecdir/tumblewick/libcards32.so"
data="$prefix/$gamedatadir"

for file in "$prefix/$bindir/tumblewick" "$program"; do
    [ -x "$file" ] || fail "no program $file"
done
for file in "$module" "$data/TumblewickHelp.htm" "$data/song1.mid" \
    "$prefix/$datadir/applications/$id.desktop" "$prefix/$datadir/metainfo/$id.metainfo.xml" \
    "$prefix/$datadir/icons/hicolor/scalable/apps/$id.svg"; do
    [ -f "$file" ] || fail "not installed: $file"
done
# The data folder holds the build tree's songs and help, and nothing of the
# CMake build folder that shares its place in the build tree.
for file in "$builddata"/*.mid "$builddata"/*.htm; do
    cmp -s "$file" "$data/${file##*/}" || fail "$data/${file##*/} is not the build tree's $file"
done
leftovers=$(find "$data" -mindepth 1 \( -type d -o -name '*.cmake' -o -name Makefile \))
[ -z "$leftovers" ] || fail "build files in the data folder: $leftovers"

# Each icon must be in the folder of its own size: width and height are the
# big-endian words at bytes 16 and 20 of a PNG.
for size in 16 24 32 48 64 128 256; do
    icon="$prefix/$datadir/icons/hicolor/${size}x$size/apps/$id.png"
    [ -f "$icon" ] || fail "not installed: $icon"
    dimensions=$(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$dimensions" = "${size}x$size" ] || fail "$icon is $dimensions"
done

# Nothing of the build tree may be needed once installed.
if readelf -d "$program" "$module" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    fail "an installed file still looks for libraries in the build tree"
fi

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/$datadir/applications/$id.desktop" || fail "desktop entry is not valid"
else
    echo "desktop-file-validate not found; desktop entry not validated"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/$datadir/metainfo/$id.metainfo.xml" || fail "metainfo is not valid"
else
    echo "appstreamcli not found; metainfo not validated"
fi

# A new player on the offscreen screen: the game opens its welcome dialog and
# waits there. The launcher execs the program, so $! is the game itself.
home="$scratch/home"
mkdir -p "$home/config" "$home/data" "$home/cache" "$home/runtime"
chmod 700 "$home/runtime"
cd /
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
    XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    PATH="$prefix/$bindir:$PATH" tumblewick >"$scratch/game.log" 2>&1 &
game=$!
trap 'kill -KILL $game 2>/dev/null || true' EXIT

# Start-up under the sanitizers on a busy machine can take a while; the game
# has started once it has mapped the card module.
waited=0
until grep -qF "$module" "/proc/$game/maps" 2>/dev/null; do
    kill -0 $game 2>/dev/null || { cat "$scratch/game.log" >&2; fail "the game ended during start-up"; }
    [ $waited -lt 900 ] || fail "the card module was not loaded within 90 seconds"
    sleep 0.1
    waited=$((waited + 1))
done
sleep 3
kill -0 $game 2>/dev/null || { cat "$scratch/game.log" >&2; fail "the game ended soon after start-up"; }

[ "$(readlink "/proc/$game/exe")" = "$program" ] || fail "the running program is $(readlink "/proc/$game/exe")"
[ "$(readlink "/proc/$game/cwd")" = "$data" ] || fail "the game runs in $(readlink "/proc/$game/cwd"), not $data"

# Ended as a desktop ends it, the game closes as by its close box, saving.
kill -TERM $game
status=0
wait $game || status=$?
trap - EXIT
[ $status -eq 0 ] || { cat "$scratch/game.log" >&2; fail "the game ended with status $status on SIGTERM"; }
[ -s "$home/config/Tumblewick/tumblewick.sqlite" ] || fail "nothing was saved on SIGTERM"
echo "installed into $prefix and started from there"
