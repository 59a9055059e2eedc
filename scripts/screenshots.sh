#!/usr/bin/env bash
# scripts/screenshots.sh: builds Tovra, starts it on an X display of its own and takes the
# pictures a user sees: the tray icon with its tooltip, the open tray menu, the settings
# dialog, the test report and the About box, as PNG files in build/screenshots/.
# The tray menu is opened with the mouse and its items are chosen with the keyboard; the
# dialogs are stepped with tests/support/shotdriver.exe. Runs the x86_64 build under wine64.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
product_build=${TOVRA_BUILD:-$top/build}
export TOVRA_BUILD=$product_build
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"

# A prefix, display and volume of their own, so no test state shows in the pictures.
build=$product_build/screenshots-env
source "$top/scripts/wine-env.sh"
trap wine_env_stop EXIT
TOVRA_OWN_DISPLAY=1 wine_env_start
# Without a window manager Wine leaves the captions to nobody: it is told to draw them.
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n' >"$WINEPREFIX/decorated.reg"
"$WINE64" regedit "$WINEPREFIX/decorated.reg" </dev/null >/dev/null 2>&1 || true

shots=$product_build/screenshots
app=$build/app
rm -rf "$shots" "$app" "$TOVRA_VOLUME_DIR/watch"
mkdir -p "$shots" "$app" "$TOVRA_VOLUME_DIR/watch/empty"
cp "$product_build/x86_64/tovra.exe" "$app/"
for i in 1 2 3; do
  truncate -s "${i}M" "$TOVRA_VOLUME_DIR/watch/録画$i.mpg"
  touch -d "2026-12-0$i 21:00" "$TOVRA_VOLUME_DIR/watch/録画$i.mpg"
done
# The INI is Shift-JIS, as the program writes it; watching starts paused.
printf '[Folder]\r\nStop=1\r\nTargetFolder=T:\\watch\\\r\nFreeSpaceSize=100\r\nFindSubFolder=1\r\nDelSubFolder=1\r\n' >"$app/tovra.ini"

driver() {
  "$WINE64" "$product_build/x86_64/tests/shotdriver.exe" "$@" </dev/null >/dev/null 2>&1 || echo "no dialog for: $*" >&2
}
shot() { sleep 1; import -window root "$shots/$1.png"; echo "$shots/$1.png"; }
# Wine's notification area is a small window at the top left; the icon is its first.
tray_click() { xdotool mousemove 13 32 click "$1"; sleep 1; }

(cd "$app" && "$WINE64" tovra.exe </dev/null >/dev/null 2>&1 &)
for _ in $(seq 100); do grep -q "Log Start" "$app/tovra.exe.log" 2>/dev/null && break; sleep 0.1; done
sleep 2
xdotool mousemove 13 32
sleep 2
import -window root -crop 200x80+0+0 "$shots/tray.png"; echo "$shots/tray.png"

tray_click 3
shot menu
xdotool key s
driver wait "設定"
shot settings
driver push "設定" 10110
driver wait "テスト結果"
shot report
driver push "テスト結果" 1
driver push "設定" 2
sleep 3

tray_click 3
xdotool key a
driver wait "バージョン情報"
shot about
driver push "バージョン情報" 1
sleep 1
driver close
sleep 2
