#!/bin/sh
# A game closed in the middle comes back on the next start, on the screen
# exactly as it was left, when the player answers Yes; No deals a new one.
# Either way the question comes once; told to end before it is answered,
# the program keeps the game it offered. The built program under a real X
# server and window manager, played with keys.
#
# kept-game-on-screen-test.sh <program> <data dir> <scratch dir>
set -eu
program=$(realpath "$1") data=$2 scratch=$3

tools="xdotool import compare sqlite3"
. "$(dirname "$0")/on-screen-desktop.sh"

# Waits up to $1 tenths of a second for the command after it to succeed.
within() { tenths=$1 && shift && for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done; return 1; }
# The game's visible window whose whole title matches (xdotool's own search
# also matches titles that merely contain it): while the question is open
# the main window is paused, so "Tumblewick" alone is the box.
titled() {
    for id in $(xdotool search --onlyvisible --pid $game 2>/dev/null); do
        xdotool getwindowname "$id" 2>/dev/null | grep -qxE "$1" && echo "$id" && return
    done
}
shows() { [ -n "$(titled "$1")" ]; }
kept() { sqlite3 "$store" "SELECT count(*) FROM registry_values v JOIN keys k ON k.id = v.key
    WHERE k.path LIKE '%\\KeptGame' AND v.name = 'Game' AND length(v.text) > 0"; }
alive() { kill -0 $game 2>/dev/null; }
start() {
    (cd "$data" && exec "$program") >>"$scratch/game.log" 2>&1 &
    game=$!
}
# The main window, paused, and the question in front of it. (The window
# shows its plain title for a moment before it pauses for the question.)
asking() { shows "Tumblewick - Paused" && shows Tumblewick; }
# The question of a kept game, answered with the key given.
answer() {
    within 600 asking || { import -window root "$scratch/no-question.png"; fail "no question within 60 s"; }
    [ "$(kept)" = 0 ] || fail "the kept game is still in the store while it is offered"
    box=$(titled Tumblewick)
    timeout 20 xdotool windowactivate --sync "$box" key "$1"
    within 100 eval '! xdotool search --onlyvisible --pid $game 2>/dev/null | grep -qx "$box"' ||
        { import -window root "$scratch/still-asking.png"; fail "the question stayed open"; }
}
main() { titled "Tumblewick( - Paused)?"; }
# Pauses the game at once and takes its window's picture.
pause_and_picture() {
    window=$(main)
    timeout 20 xdotool windowactivate --sync "$window" key F3
    within 50 shows "Tumblewick - Paused" || fail "F3 did not pause the game"
    sleep 1
    import -window "$window" "$scratch/$1.png"
}
# The same game painted afresh, by a resize there and back: a card moved
# and landed tick by tick may round an antialiased edge one level apart from
# the same card painted whole, and a continued game is painted whole.
repaint_and_picture() {
    window=$(main)
    set -- "$1" $(xdotool getwindowgeometry --shell "$window" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p')
    xdotool windowsize "$window" $(($2 + 24)) $(($3 + 24)) sleep 1 windowsize "$window" "$2" "$3" sleep 1
    import -window "$window" "$scratch/$1.png"
}
close() {
    timeout 20 xdotool windowactivate --sync "$(main)" key alt+F4
    within 100 eval '! alive' || fail "the window did not close on Alt+F4"
    wait $game || true
}

# A first start, quietly ended by the desktop, leaves a store: from then on
# no welcome, and a window that is not maximised.
start
within 600 eval '[ -n "$(xdotool search --pid $game 2>/dev/null)" ]' || fail "the game showed no window"
sleep 2
kill -TERM $game
wait $game || fail "the game ended with status $? on SIGTERM"
sqlite3 "$store" "UPDATE registry_values SET number = CASE name WHEN 'Left' THEN 40 WHEN 'Top' THEN 30
    WHEN 'Width' THEN 700 WHEN 'Height' THEN 560 ELSE 0 END
    WHERE name IN ('Left', 'Top', 'Width', 'Height', 'ShowNagDlg', 'MinMax', 'Beep', 'Music')"
[ "$(kept)" = 1 ] || fail "the game ended by SIGTERM was not kept"

# Told to end while the question is open, the program keeps the game it
# offered, as it was: the question was never answered.
game_kept() { sqlite3 "$store" "SELECT text FROM registry_values WHERE name = 'Game'"; }
game_kept >"$scratch/offered.txt"
start
within 600 asking || { import -window root "$scratch/no-question.png"; fail "no question within 60 s"; }
kill -TERM $game
wait $game || fail "the game ended with status $? on SIGTERM during the question"
game_kept >"$scratch/kept.txt"
cmp -s "$scratch/offered.txt" "$scratch/kept.txt" ||
    fail "SIGTERM during the question kept another game than the one offered (offered.txt, kept.txt)"

# Offered and refused: a new game. Played a little and closed in the middle.
start
answer Escape
window=$(main)
timeout 20 xdotool windowactivate --sync "$window" sleep 0.5
for keys in "Left Left Down" "Right space Down" "Right Right Right" "Left Down" "space space"; do
    xdotool key --delay 120 $keys sleep 0.5
done
sleep 2
pause_and_picture left
repaint_and_picture left-repainted
close
[ "$(kept)" = 1 ] || fail "closing the window in the middle of a game kept nothing"

# Continued: the same screen.
start
answer Return
pause_and_picture continued
differ=$(compare -metric AE "$scratch/left-repainted.png" "$scratch/continued.png" "$scratch/difference.png" 2>&1) || true
[ "$differ" = 0 ] || fail "the continued game shows $differ pixels otherwise than the game left (see $scratch/difference.png)"
close

# Refused again: a new game, not the one left.
start
answer Escape
pause_and_picture refused
differ=$(compare -metric AE "$scratch/left.png" "$scratch/refused.png" /dev/null 2>&1) || true
[ "$differ" != 0 ] || fail "answering No showed the game left, not a new one"
close
echo "the game closed in the middle came back pixel for pixel; refused, a new game started"
