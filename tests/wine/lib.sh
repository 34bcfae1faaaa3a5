# Shared by the Wine scripts (sourced). A build folder that runs Windows
# programs has its own Wine prefix (BUILD/wineprefix) and, while the harness
# runs, its own Xvfb display and a wineserver that stays up between programs.

# The first of the given programs that exists (a path or a name on PATH).
first_of() {
  local p
  for p in "$@"; do
    if [[ $p == /* ]]; then
      [ -x "$p" ] && { echo "$p"; return 0; }
    elif command -v "$p" >/dev/null 2>&1; then
      command -v "$p"; return 0
    fi
  done
  return 1
}

# wine_env BUILD: the environment every Wine command of BUILD runs in.
# Sets WINE (the loader) and WINESERVER and exports the prefix, its kind
# (win32 or win64, written by the build into BUILD/wine.env) and DISPLAY.
wine_env() {
  local build
  build=$(cd "$1" && pwd)
  DRAVIK_WINE_ARCH=win32
  if [ -f "$build/wine.env" ]; then . "$build/wine.env"; fi
  WINE_BUILD=$build
  WINE_STATE=$build/wine-harness
  export WINEARCH=$DRAVIK_WINE_ARCH
  export WINEPREFIX=$build/wineprefix
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko installer dialogs (nothing here needs .NET or HTML), no
  # desktop menu entries.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # Debian's `wine` starts the 32-bit loader; a win64 prefix needs wine64.
  if [ "$WINEARCH" = win64 ]; then
    WINE=$(first_of /usr/lib/wine/wine64 wine64 wine)
  else
    WINE=$(first_of wine)
  fi
  WINESERVER=$(first_of /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32 wineserver)
  export WINESERVER
  if [ -s "$WINE_STATE/display" ]; then
    export DISPLAY=:$(cat "$WINE_STATE/display")
  else
    unset DISPLAY
  fi
}

# The prefix, made once per build folder (about 15 s). Parallel callers
# wait for the first one.
wine_prefix() {
  [ -f "$WINEPREFIX/.dravik-ready" ] && { wine_fonts; return; }
  mkdir -p "$WINE_BUILD"
  (
    flock 9
    [ -f "$WINEPREFIX/.dravik-ready" ] && exit 0
    rm -rf "$WINEPREFIX"
    local here
    here=$(dirname "${BASH_SOURCE[0]}")
    if ! timeout -k 10 300 "$WINE" wineboot -i >"$WINE_BUILD/wineprefix.log" 2>&1 ||
       ! timeout -k 10 60 "$WINE" regedit /S "$(windows_path "$here/prefix.reg")" \
         >>"$WINE_BUILD/wineprefix.log" 2>&1; then
      echo "wine: making the prefix $WINEPREFIX failed, see $WINE_BUILD/wineprefix.log" >&2
      exit 1
    fi
    touch "$WINEPREFIX/.dravik-ready"
  ) 9>"$WINE_BUILD/wineprefix.lock"
  wine_fonts
}

# This Wine does not find its own fonts (Tahoma, and Marlett, which draws
# the caption buttons): the prefix gets copies from Debian's fonts-wine.
# Without them every screenshot shows an "r" for the close box and another
# dialog font, so a prefix without them is an error, not a quiet skip.
wine_fonts() {
  local fonts=/usr/share/wine/fonts dest="$WINEPREFIX/drive_c/windows/Fonts" font
  for font in marlett.ttf tahoma.ttf; do
    [ -f "$dest/$font" ] && continue
    mkdir -p "$dest"
    cp "$fonts"/*.ttf "$dest/" 2>/dev/null || true
    if [ ! -f "$dest/$font" ]; then
      echo "wine: the prefix has no $font and $fonts has none to copy: install fonts-wine" >&2
      return 1
    fi
  done
}

# A Unix path as Windows programs under Wine see it (drive Z: is /).
windows_path() {
  local p
  p=$(realpath -m "$1")
  echo "Z:${p//\//\\}"
}
