#!/bin/sh
# The Windows installer as a player meets it, under Wine with a window
# manager. A silent install under Program Files lists the game fully with the
# installed apps, with its file properties and one Start-menu shortcut, and
# the quiet uninstall command takes it away. Installed into a folder the ANSI
# code page cannot spell, it starts from that shortcut in its own folder
# (with its songs and help) and plays from the keyboard; an Options change
# and a moved window are in the registry once the window is closed, and so
# is the game left in the middle, which the next start puts back on the
# screen as it was; the uninstaller takes away everything but the settings.
#
# windows-smoke-test.sh <installer.exe> <scratch dir> [windres]
#
# Wine's exit codes say nothing here, so the files, the registry, the
# processes and the screen are what is judged.
set -eu
installer=$(realpath "$1") scratch=$2 windres=${3:-x86_64-w64-mingw32-windres}
version=$(basename "$installer" | sed -n 's/^Tumblewick-\(.*\)-win64\.exe$/\1/p')

for tool in Xvfb openbox xdotool import convert "$windres"; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-dependencies.sh installs it)"; exit 77; }
done
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }

rm -rf "$scratch" && mkdir -p "$scratch"
# Wine reads the folder name on its command line, and names files, in UTF-8.
export LC_ALL=C.UTF-8
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
drive="$WINEPREFIX/drive_c"
startMenu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Tumblewick"
key='HKCU\Software\Brindlecove\Tumblewick'
uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tumblewick'
# The dialogs are laid out in Windows' fonts, which Wine's own stand in for;
# Wine 8 finds them only in the prefix, and makes the prefix around them.
mkdir -p "$drive/windows/Fonts" && cp /usr/share/wine/fonts/* "$drive/windows/Fonts/" 2>/dev/null || true

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xserver=$!
trap 'wineserver -k 2>/dev/null || true; kill -KILL $xserver 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"
openbox >"$scratch/openbox.log" 2>&1 &

# Waits up to $1 tenths of a second for the command after it to succeed.
within() { tenths=$1 && shift && for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done; return 1; }
absent() { for file; do [ ! -e "$file" ] || return 1; done; }
values() { # a registry key's values as "Name=data" lines (wine reg writes the console's code page)
    $wine reg query "$1" 2>/dev/null | iconv -f CP437 -t UTF-8 | tr -d '\r' | sed -n 's/^    \([^ ]*\)    [A-Z_]*    \(.*\)$/\1=\2/p'
}
value() { values "$1" | sed -n "s/^$2=//p"; }
properties() { # the file properties Explorer shows of $1, as "Name=value" lines
    "$windres" -i "$1" -O rc 2>/dev/null | sed -n 's/^ *VALUE "\([A-Za-z]*\)", "\(.*\)"$/\1=\2/p'
}
holds() { # fails unless the lines on the input, those of $1, hold every line given after it
    what=$1 lines=$(cat) && shift
    for line; do printf '%s\n' "$lines" | grep -qxF -- "$line" || fail "no $line in $what: $(printf '%s\n' "$lines" | tr '\n' ' ')"; done
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window "$1")" ]; }
gone() { ! xdotool search --name "$1" >/dev/null 2>&1; }
picture() { import -window root "$scratch/$1.png" && convert "$scratch/$1.png" -format %k info:; } # how many colours
# Installs silently into the Windows folder $1, the default unless $2 says
# it was chosen, and checks the files, the shortcut and the installed apps'
# entry. /D= takes a folder unquoted, as typed at a prompt (not as Wine
# would quote an argument).
install() {
    windowsFolder=$1 folder="$drive/$(printf '%s' "$1" | cut -c4- | tr '\\' /)"
    $wine cmd /c "Z:$(printf '%s' "$installer" | tr / '\\') /S${2:+ /D=$1}" >"$scratch/install.log" 2>&1 || true
    within 300 test -f "$folder/Uninstall.exe" || fail "the installer left no uninstaller in $folder"
    ls "$folder" | holds "$folder" tumblewick.exe cards32.dll song1.mid TumblewickHelp.htm
    [ "$(ls "$startMenu")" = Tumblewick.lnk ] || fail "the Start menu holds $(ls "$startMenu" | tr '\n' ' '), not the game alone"
    values "$uninstallKey" | holds "the installed apps' entry" "DisplayIcon=$1\\tumblewick.exe" "DisplayVersion=$version" \
        "Publisher=Brindle Cove" "QuietUninstallString=\"$1\\Uninstall.exe\" /S"
    size=$(value "$uninstallKey" EstimatedSize) used=$(du -sk "$folder" | cut -f1)
    [ -n "$size" ] && [ $((size * 10)) -ge $((used * 8)) ] && [ $((size)) -le "$used" ] ||
        fail "the installed apps estimate '$size' KB for the $used KB installed"
}
# Uninstalls by that quiet command, which returns before it has finished,
# and checks that nothing of the game is left.
uninstall() {
    $wine "$windowsFolder\\Uninstall.exe" /S >"$scratch/uninstall.log" 2>&1 || true
    within 300 absent "$folder/tumblewick.exe" "$folder/Uninstall.exe" || fail "the uninstaller left the program"
    within 50 absent "$folder" "$startMenu" || fail "the uninstaller left $(ls -A "$folder" "$startMenu" | tr '\n' ' ')"
    [ -z "$(value "$uninstallKey" UninstallString)" ] || fail "the uninstaller is still listed with the installed apps"
}

install 'C:\Program Files\Tumblewick'
for file in tumblewick.exe:Tumblewick "cards32.dll:Tumblewick card-drawing component"; do
    properties "$folder/${file%%:*}" | holds "the properties of ${file%%:*}" "CompanyName=Brindle Cove" \
        "ProductName=Tumblewick" "FileDescription=${file#*:}" "ProductVersion=$version" "FileVersion=$version"
done
uninstall

# Playing where the player chose. The first start greets the player, Enter
# answers it; then the arrows steer the falling card and drop it.
install 'C:\Spiele Zoë\Tumblewick' chosen
$wine start /unix "$startMenu/Tumblewick.lnk" >"$scratch/game.log" 2>&1 &
within 600 has_window "Welcome to Tumblewick!" || { picture no-welcome; fail "no welcome dialog within 60 s"; }
# Wine starts a program in the Unix folder of its working folder.
for process in /proc/[0-9]*; do
    tr '\0' '\n' 2>/dev/null <"$process/cmdline" | grep -qi 'tumblewick\.exe$' &&
        tr '\0' '\n' 2>/dev/null <"$process/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
        started=$(readlink "$process/cwd") && break
done
[ "${started:-}" = "$(realpath "$folder")" ] || fail "the shortcut started the game in '${started:-}', not in $folder"
timeout 20 xdotool windowactivate --sync "$(window "Welcome to Tumblewick!")" key Return
within 100 has_window "^Tumblewick$" || fail "no game window after the welcome"
game=$(window "^Tumblewick$")
timeout 20 xdotool windowactivate --sync "$game" sleep 1
for keys in "Left Left Down" "Right Right Right Down" "Left Down"; do xdotool key --delay 150 $keys sleep 1; done
colours=$(picture playing)
[ "$colours" -gt 20 ] || fail "the screen shows $colours colours while playing: nothing drawn? ($scratch/playing.png)"

# Options: Alt+G opens the Game menu, O the Options, Alt+U turns the board
# upside down, Enter keeps it. Then the window moves and is closed. No step
# may wait for ever on a window that does not come.
before=$(value "$key" UpDown)
xdotool key alt+g sleep 0.5 key o
within 100 has_window "^Options$" || { picture no-options; fail "no Options dialog"; }
timeout 20 xdotool windowactivate --sync "$(window "^Options$")" key alt+u Return
within 50 gone '^Options$' || fail "the Options dialog stayed open"
# The first start is maximised; a double click on the title bar gives the
# window back its normal size, which a move then changes.
timeout 20 xdotool windowactivate --sync "$game" mousemove 640 8 click --repeat 2 --delay 100 1 sleep 1 \
    windowmove "$game" 210 170 sleep 1
picture moved >/dev/null
# Two cards dropped (upside down, Up drops) and one swapped; closed in the
# middle of that game, paused so that its picture holds still.
timeout 20 xdotool windowactivate --sync "$game" key --delay 150 Left Up Right Right space Up sleep 1 key F3
within 50 has_window "^Tumblewick - Paused$" || fail "F3 did not pause the game"
sleep 1 && import -window "$game" "$scratch/left.png"
timeout 20 xdotool windowactivate --sync "$game" key alt+F4
within 100 gone '^Tumblewick - Paused$' || fail "the window did not close on Alt+F4"
wineserver -w
[ -n "$(value "$key\\KeptGame" Game)" ] || fail "closing the window in the middle of a game kept nothing"
after=$(value "$key" UpDown) left=$(value "$key" Left) top=$(value "$key" Top)
[ -n "$after" ] && [ "$after" != "$before" ] || fail "UpDown was '$before' and is '$after' after the Options change"
[ $((left)) -ge 150 ] && [ $((left)) -le 260 ] && [ $((top)) -ge 110 ] && [ $((top)) -le 220 ] ||
    fail "the window moved to 210,170 and was stored at $((left)),$((top))"

# The next start greets, then offers the game left; Yes puts it back as it
# was on the screen, and it is offered only once.
restart() {
    $wine start /unix "$startMenu/Tumblewick.lnk" >>"$scratch/game.log" 2>&1 &
    within 600 has_window "Welcome to Tumblewick!" || { picture no-welcome >/dev/null; fail "no welcome on a later start"; }
    timeout 20 xdotool windowactivate --sync "$(window "Welcome to Tumblewick!")" key Return
    # While the question is open the game is paused: "Tumblewick" alone is the box.
    within 100 has_window "^Tumblewick$" || { picture no-question >/dev/null; fail "no question after the welcome"; }
    [ -z "$(value "$key\\KeptGame" Game)" ] || fail "the kept game is still in the registry while it is offered"
    timeout 20 xdotool windowactivate --sync "$(window "^Tumblewick$")" key --delay 200 "$1" F3
    within 50 has_window "^Tumblewick - Paused$" || { picture unanswered >/dev/null; fail "no paused game after answering $1"; }
    game=$(window "^Tumblewick - Paused$")
    sleep 1 && import -window "$game" "$scratch/$2.png"
    timeout 20 xdotool windowactivate --sync "$game" key alt+F4
    within 100 gone '^Tumblewick - Paused$' || fail "the window did not close on Alt+F4"
    wineserver -w
}
# What both pictures show of the window, from its top left corner: Wine
# and the window manager may give the window back a few pixels larger.
same_corner() {
    size=$(convert "$scratch/$1.png" "$scratch/$2.png" -format '%w %h\n' info: |
        awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 < h { h = $2 } END { print w "x" h }')
    compare -metric AE "$scratch/$1.png[${size}+0+0]" "$scratch/$2.png[${size}+0+0]" "$scratch/$3" 2>&1 || true
}
restart y continued
differ=$(same_corner left continued difference.png)
[ "$differ" = 0 ] || fail "the continued game shows $differ pixels otherwise than the game left ($scratch/difference.png)"
restart n refused
differ=$(same_corner left refused refused-difference.png)
[ "$differ" != 0 ] || fail "answering No showed the game left, not a new one"

uninstall
[ "$(value "$key" UpDown)" = "$after" ] || fail "the uninstaller took the player's settings"
echo "installed in Program Files and in $folder, played there ($colours colours on screen), saved UpDown $after and the place $((left)),$((top)), continued the game left pixel for pixel, uninstalled"
