# Sourced after bench/desktop-session.sh by the benchmarks that run the
# Windows build under Wine: a prefix of their own, the game laid out as
# installed (program, card module, songs and help in one folder) and its
# settings in the registry. The process measured is the game's, not Wine's
# loader's.
#
# Needs: wine (scripts/install-dependencies.sh).

wine=/usr/lib/wine/wine64
export WINEPREFIX=$work/wine-prefix WINEDEBUG=${BENCH_WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
wine_ready=
prepare_wine() { # music 0/1
  [ -n "$wine_ready" ] && return
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
  local key='HKCU\Software\Brindlecove\Tumblewick'
  for value in ShowNagDlg=0 FirstBoot=0 Music=$1 Beep=1 Top=100 Left=100 Width=640 Height=460 MinMax=0; do
    "$wine" reg add "$key" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f </dev/null >/dev/null 2>&1
  done
  wine_ready=1
}
prefix_process() { # name → pid of the process of that name in our prefix
  for _ in $(seq 300); do
    for proc in /proc/[0-9]*; do
      grep -qs "$1" "$proc/cmdline" && grep -qzs "^WINEPREFIX=$WINEPREFIX\$" "$proc/environ" &&
        { basename "$proc"; return; }
    done
    sleep 0.1
  done
  echo "no $1 in $WINEPREFIX" >&2; return 1
}
start_windows_game() { # build dir → runs its game, its tumblewick.exe's pid in $game_pid
  local folder="$work/windows-game"
  rm -rf "$folder" && mkdir -p "$folder"
  cp "$1/bin/tumblewick.exe" "$1/bin/cards32.dll" "$1"/data/* "$folder"
  (cd "$folder" && exec "$wine" tumblewick.exe) >"$work/wine.log" 2>&1 &
  pids+=($!)
  game_pid=$(prefix_process tumblewick.exe)
}
end_windows_game() { # pid
  kill "$1" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  wine_ready= # the server kept the registry; the next game starts one anew
}
