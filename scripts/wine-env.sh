# scripts/wine-env.sh: sourced by the test, run and bench scripts.
# Sets up a Wine prefix of the build's own, Japanese fonts, an X display and a small real volume T:.
# Needs: build (the build folder). Provides: wine_env_start, wine_env_stop.

WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64

wine_env_start() {
  export WINEPREFIX="$build/wineprefix"
  export WINEDEBUG=-all
  # Wine's menu builder would write desktop entries into the host's home; nothing here needs it.
  export WINEDLLOVERRIDES="winemenubuilder.exe=d"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  mkdir -p "$WINEPREFIX"
  # Wine picks its display driver when the prefix boots: the display must exist by then.
  if [ -z "${DISPLAY:-}" ] || [ -n "${TOVRA_OWN_DISPLAY:-}" ]; then
    local fd_file; fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
  fi

  # The server is started detached from every pipe, or ctest waits for Wine's services forever.
  "$WINESERVER64" -p </dev/null >/dev/null 2>&1 &
  "$WINE64" wineboot </dev/null >/dev/null 2>&1 || true
  # regedit reads a UTF-16 file whatever the code page, so the Japanese font names survive.
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$(dirname "${BASH_SOURCE[0]}")/wine-fonts.reg"; } >"$WINEPREFIX/fonts.reg"
  "$WINE64" regedit "$WINEPREFIX/fonts.reg" </dev/null >/dev/null 2>&1 || true

  # A small tmpfs volume as drive T:, so free-space figures are real and deletions free space.
  TOVRA_VOLUME_DIR="$build/volume"
  mkdir -p "$TOVRA_VOLUME_DIR"
  if ! mountpoint -q "$TOVRA_VOLUME_DIR"; then
    mount -t tmpfs -o size=${TOVRA_VOLUME_MB:-64}m tmpfs "$TOVRA_VOLUME_DIR"
  fi
  ln -sfn "$TOVRA_VOLUME_DIR" "$WINEPREFIX/dosdevices/t:"
  export TOVRA_TEST_DRIVE='T:'
  # A second, tiny volume (U:) that tests fill to the last byte.
  TOVRA_SMALL_VOLUME_DIR="$build/smallvolume"
  mkdir -p "$TOVRA_SMALL_VOLUME_DIR"
  if ! mountpoint -q "$TOVRA_SMALL_VOLUME_DIR"; then
    mount -t tmpfs -o size=4m tmpfs "$TOVRA_SMALL_VOLUME_DIR"
  fi
  ln -sfn "$TOVRA_SMALL_VOLUME_DIR" "$WINEPREFIX/dosdevices/u:"
  export TOVRA_SMALL_DRIVE='U:'
  # A drive (V:) whose root holds nothing at all, as a new recording drive's does.
  TOVRA_EMPTY_VOLUME_DIR="$build/emptyvolume"
  rm -rf "$TOVRA_EMPTY_VOLUME_DIR"
  mkdir -p "$TOVRA_EMPTY_VOLUME_DIR"
  ln -sfn "$TOVRA_EMPTY_VOLUME_DIR" "$WINEPREFIX/dosdevices/v:"
  export TOVRA_EMPTY_DRIVE='V:'
  export TOVRA_TEST_VOLUME_MB=${TOVRA_VOLUME_MB:-64}

  # Wine's mount manager learns the drives when its services start: drives linked in after the
  # boot work for files but are missing from the shell's namespace (the folder browser), so the
  # services are started once more with the links in place.
  "$WINESERVER64" -k >/dev/null 2>&1 || true
  "$WINESERVER64" -w >/dev/null 2>&1 || true
  "$WINESERVER64" -p </dev/null >/dev/null 2>&1 &
  "$WINE64" wineboot </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
  "$WINESERVER64" -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  local volume
  for volume in "${TOVRA_VOLUME_DIR:-}" "${TOVRA_SMALL_VOLUME_DIR:-}"; do
    if [ -n "$volume" ] && mountpoint -q "$volume"; then
      umount "$volume" || umount -l "$volume" || true
    fi
  done
}
