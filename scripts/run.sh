#!/usr/bin/env bash
# scripts/run.sh: builds Tovra and starts it under Wine, in ./run/ at the top of the checkout.
# The program lives in the notification area (top left of the X display); stop it with
# its menu's 終了 (Exit), or with: WINEPREFIX=$PWD/run/wineprefix /usr/lib/wine/wineserver64 -k
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOVRA_BUILD:-$top/build}
export TOVRA_BUILD=$build
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"

run=$top/run
mkdir -p "$run/watch"
cp "$build/x86_64/tovra.exe" "$run/tovra.exe"
export WINEPREFIX=$run/wineprefix WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
mkdir -p "$WINEPREFIX"
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:77
  echo "No display: started Xvfb on $DISPLAY (screenshot: DISPLAY=:77 import -window root shot.png)"
fi
/usr/lib/wine/wineserver64 -p </dev/null >/dev/null 2>&1 &
/usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$top/scripts/wine-fonts.reg"; } >"$WINEPREFIX/fonts.reg"
/usr/lib/wine/wine64 regedit "$WINEPREFIX/fonts.reg" </dev/null >/dev/null 2>&1 || true

# First run: watch ./run/watch (drive Z: is the Linux root). Watching starts paused.
if [ ! -f "$run/tovra.ini" ]; then
  watch_win="Z:$(echo "$run/watch/" | tr '/' '\\')"
  printf '[Folder]\r\nTargetFolder=%s\r\n' "$watch_win" >"$run/tovra.ini"
fi

echo "Tovra runs from $run: settings $run/tovra.ini, log $run/tovra.exe.log, watched folder $run/watch"
echo "Stop it from its tray menu (終了) or with: WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver64 -k"
cd "$run"
exec /usr/lib/wine/wine64 ./tovra.exe
