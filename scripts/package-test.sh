#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's machine would meet it:
# its files where Debian keeps games, its dependencies, lintian's verdict.
# As root it also installs the package, starts the game headless with its
# menu entry's command, and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() { echo "package test: FAIL: $*" >&2; exit 1; }

package=$(scripts/build-package.sh | tail -1)
echo "package test: $package"

# A build configured for an install of one's own is no package: cpack refuses
# it before building anything rather than put the game under /usr/local.
cmake -S . -B build/package-refused -DCMAKE_BUILD_TYPE=Release -DTUMBLEWICK_BUILD_TESTS=OFF >/dev/null
if refusal=$(cd build/package-refused && cpack -G DEB 2>&1); then fail "cpack made a package of a /usr/local build"; fi
grep -q "not where Debian keeps games" <<<"$refusal" || fail "cpack refused for another reason: $refusal"

contents=$(dpkg-deb -c "$package" | awk '{ print $6 }')
for file in ./usr/games/tumblewick ./usr/lib/games/tumblewick/tumblewick ./usr/lib/games/tumblewick/libcards32.so \
    ./usr/share/games/tumblewick/song1.mid ./usr/share/games/tumblewick/TumblewickHelp.htm \
    ./usr/share/applications/com.brindlecove.Tumblewick.desktop \
    ./usr/share/metainfo/com.brindlecove.Tumblewick.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/com.brindlecove.Tumblewick.svg \
    ./usr/share/icons/hicolor/48x48/apps/com.brindlecove.Tumblewick.png \
    ./usr/share/doc/tumblewick/copyright ./usr/share/doc/tumblewick/changelog.gz ./usr/share/man/man6/tumblewick.6.gz; do
  grep -qxF "$file" <<<"$contents" || fail "not in the package: $file"
done
# The card module is the game's own: never on the system's library path.
if grep -E '^\./usr/lib/[^/]*\.so' <<<"$contents"; then fail "a library on the system's library path"; fi

depends=$(dpkg-deb -f "$package" Depends)
for needed in libqt6widgets6 libfluidsynth3 libpulse0 libsqlite3-0 fluid-soundfont-gm fonts-dejavu-core fonts-urw-base35; do
  grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
[ "$(dpkg-deb -f "$package" Section)" = games ] || fail "not in section games"
[ "$(dpkg-deb -f "$package" Recommends)" = xdg-utils ] || fail "does not recommend xdg-utils"

if command -v lintian >/dev/null; then
  verdict=$(lintian --allow-root "$package" 2>&1 || true)
  echo "$verdict"
  if grep -q '^E:' <<<"$verdict"; then fail "lintian found errors"; fi
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "package test: not root, so the package is not installed here"
  echo "package test: passed"
  exit 0
fi
if dpkg-query -W -f='${Status}' tumblewick 2>/dev/null | grep -q "install ok installed"; then
  fail "tumblewick is installed on this machine already; not touching it"
fi
dpkg -i "$package" >/dev/null || fail "dpkg -i failed"
trap 'dpkg -r tumblewick >/dev/null 2>&1 || true' EXIT

# The menu entry's command, as the desktop runs it: by name, from the PATH
# a login gets (with /usr/games), in a fresh home, on the offscreen screen.
command=$(sed -n 's/^Exec=//p' /usr/share/applications/com.brindlecove.Tumblewick.desktop)
home=$(mktemp -d)
(cd / && env -i HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home" \
  PATH=/usr/local/bin:/usr/bin:/bin:/usr/games QT_QPA_PLATFORM=offscreen $command >"$home/game.log" 2>&1) &
launcher=$!
for _ in $(seq 100); do
  game=$(pgrep -f '^/usr/lib/games/tumblewick/tumblewick' || true)
  [ -n "$game" ] && break
  sleep 0.1
done
[ -n "${game:-}" ] || { cat "$home/game.log" >&2; fail "the installed game did not start"; }
sleep 2
kill -0 "$game" 2>/dev/null || { cat "$home/game.log" >&2; fail "the installed game ended at once"; }
[ "$(readlink "/proc/$game/cwd")" = /usr/share/games/tumblewick ] || fail "the game runs in $(readlink "/proc/$game/cwd")"
grep -qF /usr/lib/games/tumblewick/libcards32.so "/proc/$game/maps" || fail "the game did not load its card module"
kill "$game"
wait "$launcher" 2>/dev/null || true

dpkg -r tumblewick >/dev/null || fail "dpkg -r failed"
trap - EXIT
leftovers=$(ls -d /usr/games/tumblewick /usr/lib/games/tumblewick /usr/share/games/tumblewick \
  /usr/share/applications/com.brindlecove.Tumblewick.desktop 2>/dev/null || true)
[ -z "$leftovers" ] || fail "left behind after removal: $leftovers"
rm -rf "$home"
echo "package test: installed, started from its menu entry and removed; passed"
