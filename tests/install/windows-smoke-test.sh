#!/bin/sh
# The Windows installer as a player meets it, under Wine with a window
# manager. A silent install puts the game, named in its file properties,
# under Program Files and lists it fully with the installed apps, with one
# Start-menu shortcut; the quiet uninstall command that list gives takes it
# away without a question. Installed again into a folder whose name the ANSI
# code page cannot spell, the game starts from its Start-menu shortcut in
# its own folder (where its songs and help are) and plays from the keyboard,
# an Options change and a moved window are in the registry once the window
# is closed, and the uninstaller takes away everything but those settings.
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
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
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
mkdir -p "$drive/windows/Fonts"
cp /usr/share/wine/fonts/* "$drive/windows/Fonts/" 2>/dev/null || true

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
value() { # the registry value $2 under key $1, as wine reg prints it (in the console's code page), or nothing
    $wine reg query "$1" /v "$2" 2>/dev/null | iconv -f CP437 -t UTF-8 | tr -d '\r' |
        awk -v name="$2" '$1 == name { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print }'
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window "$1")" ]; }
picture() { # a screenshot, and how many colours it holds
    import -window root "$scratch/$1.png"
    convert "$scratch/$1.png" -format %k info:
}
properties() { # the file properties Explorer shows of $1, one "Name=value" a line
    "$windres" -i "$1" -O rc 2>/dev/null | sed -n 's/^ *VALUE "\([A-Za-z]*\)", "\(.*\)"$/\1=\2/p'
}
# Installs silently into the Windows folder $1 ($folder here), by default
# when $2 says so, and checks the files, the shortcut and the entry in the
# installed apps.
install() {
    windowsFolder=$1
    folder="$drive/$(printf '%s' "$windowsFolder" | cut -c4- | tr '\\' /)"
    # The folder follows /D= unquoted, as typed at a command prompt: Wine
    # would quote an argument with a blank, which the installer ignores.
    if [ "${2:-}" = default ]; then
        $wine "$installer" /S
    else
        $wine cmd /c "$(winepath -w "$installer") /S /D=$windowsFolder"
    fi >"$scratch/install.log" 2>&1 || true
    within 300 test -f "$folder/Uninstall.exe" || fail "the installer left no uninstaller in $folder"
    for file in tumblewick.exe cards32.dll song1.mid TumblewickHelp.htm; do
        [ -f "$folder/$file" ] || fail "the installer did not install $file in $folder"
    done
    [ "$(ls "$startMenu")" = Tumblewick.lnk ] || fail "the Start menu holds '$(ls "$startMenu" | tr '\n' ' ')', not the game alone"
    [ "$(value "$uninstallKey" DisplayIcon)" = "$windowsFolder\\tumblewick.exe" ] ||
        fail "the installed apps show the icon of '$(value "$uninstallKey" DisplayIcon)'"
    size=$(value "$uninstallKey" EstimatedSize) used=$(du -sk "$folder" | cut -f1)
    [ -n "$size" ] && [ $((size * 10)) -ge $((used * 8)) ] && [ $((size)) -le "$used" ] ||
        fail "the installed apps estimate '$size' KB for the $used KB installed"
}
# Uninstalls by the quiet command the installed apps list, which returns
# before it has finished, and checks that nothing of the game is left.
uninstall() {
    quiet=$(value "$uninstallKey" QuietUninstallString)
    [ "$quiet" = "\"$windowsFolder\\Uninstall.exe\" /S" ] || fail "the quiet uninstall command is '$quiet'"
    $wine "$windowsFolder\\Uninstall.exe" /S >"$scratch/uninstall.log" 2>&1 || true
    within 300 sh -c "[ ! -e '$folder/tumblewick.exe' ] && [ ! -e '$folder/Uninstall.exe' ]" || fail "the uninstaller left the program"
    within 50 sh -c "[ ! -e '$folder' ]" || fail "the uninstaller left $(ls -A "$folder" | tr '\n' ' ') in $folder"
    within 50 sh -c "[ ! -e '$startMenu' ]" || fail "the uninstaller left the Start menu's $(ls -A "$startMenu" | tr '\n' ' ')"
    [ -z "$(value "$uninstallKey" UninstallString)" ] || fail "the uninstaller is still listed with the installed apps"
}

# Installing where players install, and the file properties and the list of
# installed apps.
install 'C:\Program Files\Tumblewick' default
[ "$(value "$uninstallKey" DisplayVersion)" = "$version" ] && [ "$(value "$uninstallKey" Publisher)" = "Brindle Cove" ] ||
    fail "the installed apps show version '$(value "$uninstallKey" DisplayVersion)' by '$(value "$uninstallKey" Publisher)'"
for file in tumblewick.exe:Tumblewick cards32.dll:"Tumblewick card-drawing component"; do
    properties "$folder/${file%%:*}" >"$scratch/properties"
    for property in "CompanyName=Brindle Cove" "ProductName=Tumblewick" "FileDescription=${file#*:}" \
        "OriginalFilename=${file%%:*}" "ProductVersion=$version" "FileVersion=$version"; do
        grep -qxF "$property" "$scratch/properties" || fail "${file%%:*} lacks $property among its properties: $(tr '\n' ' ' <"$scratch/properties")"
    done
done
uninstall

# Installing again in a folder of any name, and starting the game as the
# Start menu does. The first start greets the player, Enter answers it; then
# the arrows steer the falling card and drop it.
install 'C:\Spiele Zoë\Tumblewick'
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

uninstall
[ "$(value "$key" UpDown)" = "$after" ] || fail "the uninstaller took the player's settings"
echo "installed in Program Files and in $folder, played there ($colours colours on screen), saved UpDown $after and the place $((left)),$((top)), uninstalled"
