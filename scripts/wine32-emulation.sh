# Sourced: runs 32-bit Windows programs under 64-bit Wine on a machine whose kernel refuses 32-bit x86
# code, the way a 64-bit Windows runs them (WoW64): Wine's 64-bit side runs natively, and only its
# 32-bit loader and the 32-bit programs are emulated, by qemu-i386-static through a binfmt_misc entry.
#
# The entry matches a marked copy of Wine's 32-bit loader (a few bytes of the ELF header's padding
# changed), not every 32-bit program: /usr/lib/wine/wine keeps failing, so whatever asks "does 32-bit
# Wine run here" (scripts/windows-arch.sh) still gets the true answer. The copy sits in a tree that
# mirrors Debian's layout (lib/wine beside lib/<arch>/wine and share/wine), where the loaders find their
# libraries; the 64-bit loader's copy beside it starts it for every 32-bit program. A small library
# preloaded into the emulated side (emulation/mmap-noreplace.c) makes a 32-bit start take about a second
# instead of a minute; the 64-bit side gets an empty twin through the same $LIB-expanded path.
#
# Callers set WINE_ROOT. emulation_start exports WINE_EMULATION_DIR, which wine-env.sh reads: every Wine
# program started under it then runs with the emulated 32-bit side. emulation_stop removes the entry.

EMULATION_DIR="$WINE_ROOT/wow64-emulation"
# One entry per build folder, so that two builds never remove each other's.
EMULATION_ENTRY="install-wine32-$(printf '%s' "$WINE_ROOT" | md5sum | cut -c1-12)"
EMULATION_MARK='W32emu'
EMULATION_SOURCE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/emulation/mmap-noreplace.c"

# True when this machine can emulate the 32-bit side: qemu-i386-static is there and binfmt_misc can be
# written (as root, mounted first where it is not).
emulation_available() {
  command -v qemu-i386-static >/dev/null 2>&1 || return 1
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc >/dev/null 2>&1 || return 1
  fi
  [ -w /proc/sys/fs/binfmt_misc/register ]
}

emulation_start() {
  emulation_available || {
    echo "cannot emulate 32-bit Wine here: qemu-i386-static or a writable binfmt_misc is missing (run as root)" >&2
    return 1
  }
  local dir="$EMULATION_DIR"
  rm -rf "$dir"
  mkdir -p "$dir/lib/wine" "$dir/lib/i386-linux-gnu" "$dir/lib/x86_64-linux-gnu" "$dir/share"
  cp /usr/lib/wine/wine64 "$dir/lib/wine/wine64"
  cp /usr/lib/wine/wine "$dir/lib/wine/wine"
  # Bytes 9 to 14 of the ELF identification are padding that nothing reads.
  printf '%s' "$EMULATION_MARK" | dd of="$dir/lib/wine/wine" bs=1 seek=9 conv=notrunc status=none
  ln -s /usr/lib/i386-linux-gnu/wine "$dir/lib/i386-linux-gnu/wine"
  ln -s /usr/lib/x86_64-linux-gnu/wine "$dir/lib/x86_64-linux-gnu/wine"
  ln -s /usr/share/wine "$dir/share/wine"
  gcc -m32 -O2 -shared -fPIC -nostdlib -o "$dir/lib/i386-linux-gnu/mmap-noreplace.so" "$EMULATION_SOURCE"
  printf '' | gcc -x c -shared -fPIC -o "$dir/lib/x86_64-linux-gnu/mmap-noreplace.so" -
  local magic
  magic="\\x7fELF\\x01\\x01\\x01\\x00\\x00$(printf '%s' "$EMULATION_MARK" | od -An -tx1 | tr -d ' \n' | sed 's/../\\x&/g')"
  [ -e "/proc/sys/fs/binfmt_misc/$EMULATION_ENTRY" ] && echo -1 >"/proc/sys/fs/binfmt_misc/$EMULATION_ENTRY"
  # F: the kernel opens qemu now, so the entry works whatever the caller's mount namespace is.
  echo ":$EMULATION_ENTRY:M::$magic::$(command -v qemu-i386-static):F" >/proc/sys/fs/binfmt_misc/register
  if ! "$dir/lib/wine/wine" --version >/dev/null 2>&1; then
    echo "the emulated 32-bit Wine loader does not start" >&2
    emulation_stop
    return 1
  fi
  export WINE_EMULATION_DIR="$dir"
}

emulation_stop() {
  if [ -e "/proc/sys/fs/binfmt_misc/$EMULATION_ENTRY" ]; then
    echo -1 >"/proc/sys/fs/binfmt_misc/$EMULATION_ENTRY" 2>/dev/null || true
  fi
}
