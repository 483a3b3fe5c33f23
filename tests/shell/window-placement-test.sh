#!/bin/sh
# A window framed by a real window manager reopens as it was shown, even at
# its least size: the frame arrives after the size has been set, and a least
# size that did not count it yet once grew the window by part of a frame.
#
# window-placement-test.sh <program> <data dir> <scratch dir>
set -eu
program=$(realpath "$1") data=$2 scratch=$3

tools="xdotool xwininfo xprop sqlite3"
. "$(dirname "$0")/on-screen-desktop.sh"

# Starts the game and sets $window once it shows framed and has settled
# (or, given "any", once it has any window, as the welcome dialog may hide it).
start() {
    (cd "$data" && exec "$program") >>"$scratch/game.log" 2>&1 &
    game=$!
    window=""
    for _ in $(seq 600); do
        if [ "${1:-}" = any ]; then
            window=$(xdotool search --pid $game 2>/dev/null | head -1) || true
            [ -n "$window" ] && break
        else
            window=$(xdotool search --onlyvisible --pid $game 2>/dev/null | head -1) || true
            [ -n "$window" ] && xprop -id "$window" _NET_FRAME_EXTENTS | grep -q = && break
        fi
        kill -0 $game 2>/dev/null || { cat "$scratch/game.log" >&2; fail "the game ended during start-up"; }
        sleep 0.1
    done
    [ -n "$window" ] || fail "no framed window within 60 seconds"
    sleep 2
}
# Ends the game as a desktop does, which saves as the close box does, the
# game in play too; that is taken out, so the next start asks nothing.
end() {
    kill -TERM $game
    wait $game || fail "the game ended with status $? on SIGTERM"
    [ "$(sqlite3 "$store" "DELETE FROM registry_values WHERE name = 'Game' RETURNING 1")" = 1 ] ||
        fail "the game in play was not kept on SIGTERM"
}
# The framed window as left, top, width and height, and the least size the
# game asks the window manager for, framed.
shown() {
    set -- $(xprop -id "$window" _NET_FRAME_EXTENTS | tr -dc '0-9 ') # left, right, top, bottom
    xwininfo -id "$window" | awk -v l=$1 -v r=$2 -v t=$3 -v b=$4 '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x - l, y - t, w + l + r, h + t + b }'
}
least() {
    set -- $(xprop -id "$window" _NET_FRAME_EXTENTS | tr -dc '0-9 ')
    xprop -id "$window" WM_NORMAL_HINTS | awk -v l=$1 -v r=$2 -v t=$3 -v b=$4 '
        /minimum size/ { print $(NF - 2) + l + r, $NF + t + b }'
}
stored() {
    sqlite3 "$store" "SELECT group_concat(number, ' ') FROM (SELECT number FROM registry_values
        WHERE name IN ('Left', 'Top', 'Width', 'Height') ORDER BY instr('LeftTopWidthHeight', name))"
}
place() { # left top width height
    sqlite3 "$store" "UPDATE registry_values SET number = CASE name WHEN 'Left' THEN $1 WHEN 'Top' THEN $2
        WHEN 'Width' THEN $3 WHEN 'Height' THEN $4 ELSE 0 END
        WHERE name IN ('Left', 'Top', 'Width', 'Height', 'ShowNagDlg', 'MinMax')"
}

# A first start saves a store; a second, asked for a tiny window, tells the
# least size; then the game starts at that size, and at a larger one.
start any
end
place 100 100 50 50
start
set -- $(least)
end
for placement in "100 100 $1 $2" "60 40 $(($1 + 61)) $(($2 + 33))"; do
    place $placement
    start
    now=$(shown)
    end
    [ "$now" = "$placement" ] || fail "asked for $placement, the window showed $now"
    [ "$(stored)" = "$placement" ] || fail "shown and ended as $placement, the window was stored as $(stored)"
done
echo "the window came back as it was, at its least size ($1 x $2) and larger"
