# Sourced by the scripts that start Windows programs: a private 32-bit Wine prefix under a Russian
# locale. Callers set WINE_ROOT (a folder of their own) before sourcing.
: "${WINE_ROOT:?WINE_ROOT must name a folder for the prefix and the locale}"
# The kind of the prefix follows the programs the build makes: win32 for 32-bit ones, win64 where this
# machine cannot execute 32-bit x86 code and the tests are built as 64-bit programs
# (scripts/windows-arch.sh). Wine's own launcher would pick its 32-bit loader whenever one is installed.
if [ -z "${WINE_ARCH:-}" ]; then
  WINE_ARCH=win64
  [ "$(bash "$(dirname "${BASH_SOURCE[0]}")/windows-arch.sh")" = i686 ] && WINE_ARCH=win32
fi
export WINEARCH="$WINE_ARCH"
WINE_PREFIX_FORMAT="2 $WINEARCH"
WINE_PRELOAD=()
# A ctest started by hand after scripts/test.sh set up the emulation finds it through the build's tree.
if [ "$WINEARCH" = win64 ] && [ -z "${WINE_EMULATION_DIR:-}" ] &&
   "$WINE_ROOT/wow64-emulation/lib/wine/wine" --version >/dev/null 2>&1; then
  WINE_EMULATION_DIR="$WINE_ROOT/wow64-emulation"
fi
if [ "$WINEARCH" = win64 ] && [ -n "${WINE_EMULATION_DIR:-}" ]; then
  # The 32-bit side emulated (scripts/wine32-emulation.sh): the loaders of its tree, and its preload,
  # which the dynamic linker takes from lib/<arch> of each side. Such a prefix has a filled syswow64, so
  # it is told apart from one made without.
  WINE_LOADER="$WINE_EMULATION_DIR/lib/wine/wine64"
  export WINELOADER="$WINE_LOADER"
  WINE_PRELOAD=(LD_PRELOAD="$WINE_EMULATION_DIR/\$LIB/mmap-noreplace.so")
  WINE_PREFIX_FORMAT="3 $WINEARCH wow64"
elif [ "$WINEARCH" = win64 ]; then
  WINE_LOADER=/usr/lib/wine/wine64
  export WINELOADER="$WINE_LOADER"
else
  WINE_LOADER=wine
fi
export WINEDEBUG=-all
# No Mono or Gecko install prompts: the program needs neither. No menu builder: it would put the
# prefix's links into the host's menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LOCPATH="$WINE_ROOT/locale"
unset LANGUAGE
# Set for Wine's processes only: this shell may not know the private locale, and the emulation's
# preload is no business of the machine's own programs (a sanitizer's runtime must come first in them).
WINE_LOCALE=(LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 "${WINE_PRELOAD[@]}")

# Runs a Windows program under the Russian locale.
wine_exec() { exec env "${WINE_LOCALE[@]}" "$WINE_LOADER" "$@"; }
wine_run() { env "${WINE_LOCALE[@]}" "$WINE_LOADER" "$@"; }

# Starts the prefix's server and its system processes detached from this shell's output, so that they
# never hold a caller's pipes open (ctest waits for those) and later programs start in a fraction of a
# second. $1: how long the server stays after its last program ends.
wine_start_server() {
  (
    flock 9
    # The lock's descriptor is closed for the server: it would otherwise hold the lock while it lives.
    if wineserver -p"$1" >/dev/null 2>&1 </dev/null 9>&-; then
      env "${WINE_LOCALE[@]}" "$WINE_LOADER" cmd /c exit 0 >/dev/null 2>&1 </dev/null 9>&-
    fi
  ) 9>"$WINEPREFIX.server-lock"
}

# Makes the locale and the prefix once. $1: "null" for the headless graphics driver (tests), "x11"
# for a real window on a virtual desktop of the given size ($2, default 1024x768).
wine_prepare_prefix() {
  local driver="$1" desktop="${2:-1024x768}"
  export WINEPREFIX="$WINE_ROOT/prefix-$driver"
  mkdir -p "$WINE_ROOT"
  (
    flock 9
    if [ ! -f "$LOCPATH/ru_RU.UTF-8/LC_CTYPE" ]; then
      # Without a generated locale Wine reports code page 1251 but cannot open Cyrillic file names.
      mkdir -p "$LOCPATH"
      localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" 2>/dev/null || [ -f "$LOCPATH/ru_RU.UTF-8/LC_CTYPE" ]
    fi
    # The stamp names the way the prefix was made; a prefix of an older way is made anew.
    [ "$(cat "$WINEPREFIX/.prepared" 2>/dev/null)" = "$WINE_PREFIX_FORMAT" ] && exit 0
    local tmp="$WINEPREFIX.tmp.$$"
    rm -rf "$tmp"
    WINEPREFIX="$tmp" env "${WINE_LOCALE[@]}" "$WINE_LOADER" wineboot -i >/dev/null 2>&1 </dev/null 9>&-
    WINEPREFIX="$tmp" wineserver -w 9>&-
    WINEPREFIX="$tmp" env "${WINE_LOCALE[@]}" "$WINE_LOADER" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f >/dev/null 2>&1 9>&-
    if [ "$driver" = x11 ]; then
      # A virtual desktop avoids the multi-second waits of bare X11 without a window manager.
      WINEPREFIX="$tmp" env "${WINE_LOCALE[@]}" "$WINE_LOADER" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 9>&-
      WINEPREFIX="$tmp" env "${WINE_LOCALE[@]}" "$WINE_LOADER" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop" /f >/dev/null 2>&1 9>&-
    fi
    WINEPREFIX="$tmp" wineserver -w 9>&-
    # Debian's Wine does not find its own fonts (Tahoma, MS Sans Serif) unless they are in the prefix.
    # Copies, not links: the programs under test install fonts there and must never write onto the host.
    cp /usr/share/wine/fonts/* "$tmp/drive_c/windows/Fonts/"
    # Wine links the user's shell folders (Desktop, Documents...) to the host's home: real folders
    # instead, so a desktop link written by a test stays in the prefix.
    find "$tmp/drive_c/users" -maxdepth 6 -type l | while IFS= read -r link; do
      rm -f "$link" && mkdir -p "$link"
    done
    echo "$WINE_PREFIX_FORMAT" >"$tmp/.prepared"
    rm -rf "$WINEPREFIX"
    mv "$tmp" "$WINEPREFIX"
  ) 9>"$WINE_ROOT/.lock"
}

# Points DISPLAY at a working X server: the caller's, or a private Xvfb kept in $WINE_ROOT.
wine_use_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  (
    flock 9
    if [ -f "$WINE_ROOT/xvfb.display" ] && DISPLAY="$(cat "$WINE_ROOT/xvfb.display")" xdpyinfo >/dev/null 2>&1; then
      exit 0
    fi
    local n
    for n in $(seq 90 130); do
      [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
      setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null 9>&- &
      echo $! >"$WINE_ROOT/xvfb.pid"
      for _ in $(seq 50); do DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
      echo ":$n" >"$WINE_ROOT/xvfb.display"
      exit 0
    done
    echo "no free X display number" >&2
    exit 1
  ) 9>"$WINE_ROOT/.xvfb-lock"
  DISPLAY="$(cat "$WINE_ROOT/xvfb.display")"
  export DISPLAY
}

# Stops the private Xvfb and the prefixes' servers.
wine_stop_all() {
  local p
  for p in "$WINE_ROOT"/prefix-*; do
    [ -d "$p" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true
  done
  if [ -f "$WINE_ROOT/xvfb.pid" ]; then
    kill "$(cat "$WINE_ROOT/xvfb.pid")" 2>/dev/null || true
    rm -f "$WINE_ROOT/xvfb.pid" "$WINE_ROOT/xvfb.display"
  fi
}
