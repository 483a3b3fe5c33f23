#!/bin/sh
# The Windows installer as a player meets it, under Wine with a window
# manager: it installs silently, the installed game starts from the Start
# menu's folder and plays from the keyboard, an Options change and a moved
# window are in the registry once the window is closed, and the uninstaller
# takes away everything but those settings.
#
# windows-smoke-test.sh <installer.exe> <scratch dir>
#
# Wine's exit codes say nothing here, so the files, the registry and the
# screen are what is judged.
set -eu
installer=$(realpath "$1") scratch=$2

for tool in Xvfb openbox xdotool import convert; do
    command -v $tool >/dev/null || { echo "$tool is missing (scripts/install-dependencies.sh installs it)"; exit 77; }
done
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
folder="$WINEPREFIX/drive_c/Program Files/Tumblewick"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tumblewick/Tumblewick.lnk"
key='HKCU\Software\Brindlecove\Tumblewick'
uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tumblewick'

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xserver=$!
trap 'wineserver -k 2>/dev/null || true; kill -KILL $xserver 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"
openbox >"$scratch/openbox.log" 2>&1 &

# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
    tenths=$1
    shift
    for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
    return 1
}
value() { # the registry value $2 under key $1, as wine reg prints it, or nothing
    $wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name { print $3 }'
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window "$1")" ]; }
picture() { # a screenshot, and how many colours it holds
    import -window root "$scratch/$1.png"
    convert "$scratch/$1.png" -format %k info:
}

# Installing.
$wine "$installer" /S >"$scratch/install.log" 2>&1 || true
within 300 test -f "$folder/Uninstall.exe" || fail "the installer left no uninstaller in $folder"
for file in tumblewick.exe cards32.dll song1.mid TumblewickHelp.htm; do
    [ -f "$folder/$file" ] || fail "the installer did not install $file"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
[ -n "$(value "$uninstallKey" UninstallString)" ] || fail "the uninstaller is not listed with the installed apps"

# Playing: the first start greets the player, Enter answers it; then the
# arrows steer the falling card and drop it.
(cd "$folder" && exec $wine tumblewick.exe) >"$scratch/game.log" 2>&1 &
within 600 has_window "Welcome to Tumblewick!" || { picture no-welcome; fail "no welcome dialog within 60 s"; }
timeout 20 xdotool windowactivate --sync "$(window "Welcome to Tumblewick!")" key Return
within 100 has_window "^Tumblewick$" || fail "no game window after the welcome"
game=$(window "^Tumblewick$")
timeout 20 xdotool windowactivate --sync "$game"
sleep 1
for keys in "Left Left Down" "Right Right Right Down" "Left Down"; do
    xdotool key --delay 150 $keys
    sleep 1
done
colours=$(picture playing)
[ "$colours" -gt 20 ] || fail "the screen shows $colours colours while playing: nothing drawn? ($scratch/playing.png)"

# Options: Alt+G opens the Game menu, O the Options, Alt+U turns the board
# upside down, Enter keeps it. Then the window moves and is closed. No step
# may wait for ever on a window that does not come.
before=$(value "$key" UpDown)
xdotool key alt+g
sleep 0.5
xdotool key o
within 100 has_window "^Options$" || { picture no-options; fail "no Options dialog"; }
timeout 20 xdotool windowactivate --sync "$(window "^Options$")" key alt+u Return
within 50 sh -c "! xdotool search --onlyvisible --name '^Options$' >/dev/null" || fail "the Options dialog stayed open"
# The first start is maximised; a double click on the title bar gives the
# window back its normal size, which a move then changes.
timeout 20 xdotool windowactivate --sync "$game" mousemove 640 8 click --repeat 2 --delay 100 1
sleep 1
xdotool windowmove "$game" 210 170
sleep 1
picture moved >/dev/null
timeout 20 xdotool windowactivate --sync "$game" key alt+F4
within 100 sh -c "! xdotool search --name '^Tumblewick$' >/dev/null" || fail "the window did not close on Alt+F4"
wineserver -w
after=$(value "$key" UpDown) left=$(value "$key" Left) top=$(value "$key" Top)
[ -n "$after" ] && [ "$after" != "$before" ] || fail "UpDown was '$before' and is '$after' after the Options change"
[ $((left)) -ge 150 ] && [ $((left)) -le 260 ] && [ $((top)) -ge 110 ] && [ $((top)) -le 220 ] ||
    fail "the window moved to 210,170 and was stored at $((left)),$((top))"

# Uninstalling: the uninstaller returns before it has finished.
$wine "$folder/Uninstall.exe" /S >"$scratch/uninstall.log" 2>&1 || true
within 300 sh -c "[ ! -e '$folder/tumblewick.exe' ] && [ ! -e '$folder/Uninstall.exe' ]" || fail "the uninstaller left the program"
within 50 sh -c "[ ! -e '$folder' ]" || fail "the uninstaller left $(ls -A "$folder" | tr '\n' ' ') in $folder"
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu shortcut"
[ -z "$(value "$uninstallKey" UninstallString)" ] || fail "the uninstaller is still listed with the installed apps"
[ "$(value "$key" UpDown)" = "$after" ] || fail "the uninstaller took the player's settings"
echo "installed, played ($colours colours on screen), saved UpDown $after and the place $((left)),$((top)), uninstalled"
