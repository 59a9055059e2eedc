#!/usr/bin/env bash
# scripts/run.sh: builds Tovra and starts it under Wine, in ./run/ at the top of the checkout.
# The program lives in the notification area (top left of the X display); stop it with
# its menu's 終了 (Exit), or with: WINEPREFIX=$PWD/run/wineprefix /usr/lib/wine/wineserver64 -k
# Runs the x86_64 build: this machine cannot execute the 32-bit product.
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
# Wine picks its display driver when the prefix boots, so the display comes first.
if [ -z "${DISPLAY:-}" ]; then
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$fd_file")"
  rm -f "$fd_file"
  echo "No display: started Xvfb on $DISPLAY (screenshot: DISPLAY=$DISPLAY import -window root shot.png)"
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
/usr/lib/wine/wine64 ./tovra.exe
