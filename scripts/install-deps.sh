#!/usr/bin/env bash
# Installs with apt-get whatever the builds and tests need and is missing (Debian 12).
# Usage: install-deps.sh [native|all]   (native: enough for the demo; all: every build and test)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}

native=(cmake ninja-build g++ make locales googletest)
all=("${native[@]}" googletest clang-format clang libclang-rt-14-dev faketime util-linux
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine wine64 libc6-i386)

if [ "$what" = native ]; then wanted=("${native[@]}"); else wanted=("${all[@]}"); fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# Installs those of the packages named that are not installed yet.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}
install_missing "${wanted[@]}"

# Whether this kernel runs 32-bit programs (some are built without, or booted with it off).
runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# A locale with '.' date separators, for the date-format tests.
if [ "$what" != native ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  "${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen
fi

# 32-bit Wine, for the tests of the 32-bit Windows build (scripts/wine32-run): the i386 Wine of
# exactly the installed wine64's version. A plain install of wine32:i386 where the kernel runs
# 32-bit programs and the install changes none of the machine's packages; otherwise (i386
# libraries whose versions must match newer amd64 ones, or a kernel that runs no 32-bit programs,
# where the emulated machine runs it off this file system) the same Wine unpacked into
# build-win32/wine32 with the few i386 libraries it needs (fonts: without them the desktop never
# starts; no X or sound), installing nothing.
wine32_recipe=2 # raised whenever the unpack changes, so that an older one is made again
wine32() {
  [ -x /usr/lib/wine/wine ] && return 0
  # The program interpreter of i386 programs (libc6-i386).
  if [ ! -e /lib/ld-linux.so.2 ] && [ -e /lib32/ld-linux.so.2 ]; then
    "${sudo_cmd[@]}" ln -s /lib32/ld-linux.so.2 /lib/ld-linux.so.2
  fi
  version=$(dpkg-query -W -f='${Version}' wine64)
  unpacked="$root/build-win32/wine32"
  stamp="$version recipe $wine32_recipe"
  [ "$(cat "$unpacked/.version" 2>/dev/null)" = "$stamp" ] && return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  if ! apt-cache show "wine32:i386=$version" >/dev/null 2>&1; then
    # Some i386 lists may not download; what did is enough for the unpack.
    "${sudo_cmd[@]}" apt-get update || echo "Some package lists did not download: going on"
  fi
  if runs_32bit; then
    plan=$(apt-get install -s --no-install-recommends "wine32:i386=$version" 2>&1) || plan="failed"
    if [ "$plan" != failed ] && ! grep -qE '^(Inst [^ ]+ \[|Remv )' <<<"$plan"; then
      echo "Installing: wine32:i386=$version"
      DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends \
        "wine32:i386=$version"
      return 0
    fi
  fi
  echo "Unpacking 32-bit Wine $version into $unpacked"
  rm -rf "$unpacked"
  mkdir -p "$unpacked/debs"
  (cd "$unpacked/debs" && apt-get download -q -o APT::Sandbox::User=root \
    "wine32:i386=$version" "libwine:i386=$version" libfreetype6:i386 libfontconfig1:i386 \
    libpng16-16:i386 libbrotli1:i386 zlib1g:i386 libexpat1:i386)
  for deb in "$unpacked"/debs/*.deb; do dpkg -x "$deb" "$unpacked"; done
  rm -rf "$unpacked/debs"
  # user32 imports zlib1.dll, which Wine takes from the MinGW zlib as libwine's install does:
  # Wine loads from its own DLL folder only a DLL marked as its builtin ("Wine builtin DLL" and
  # 16 zero bytes at offset 64), and an unmarked one fails every program that imports USER32.
  local zlib="$unpacked/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
  cp /usr/i686-w64-mingw32/lib/zlib1.dll "$zlib"
  { printf 'Wine builtin DLL'; head -c 16 /dev/zero; } |
    dd of="$zlib" bs=1 seek=64 conv=notrunc status=none
  echo "$stamp" >"$unpacked/.version"
}

# Where the kernel runs no 32-bit programs, the 32-bit tests run in an emulated machine
# (scripts/guest32.sh): QEMU, busybox for its first process, and Debian's own amd64 kernel,
# fetched and unpacked into build-win32/guest/linux, not installed (installing it would pull in
# initramfs-tools and udev, which upgrade installed packages). A failure here is told, not fatal:
# the test command then says why the 32-bit tests cannot run.
guest() {
  runs_32bit && return 0
  install_missing qemu-system-x86 busybox-static ||
    { echo "Could not install the emulated machine's packages"; return 0; }
  local linux="$root/build-win32/guest/linux" meta
  meta=$(apt-cache policy linux-image-amd64 | sed -n 's/^ *Candidate: //p')
  if [ -z "$meta" ] || [ "$meta" = "(none)" ]; then
    echo "No linux-image-amd64 package known to apt: no kernel for the emulated machine"
    return 0
  fi
  [ "$(cat "$linux/.version" 2>/dev/null)" = "$meta" ] && return 0
  echo "Unpacking Debian's kernel (linux-image-amd64 $meta) into $linux"
  rm -rf "$linux"
  mkdir -p "$linux/debs"
  if ! (cd "$linux/debs" && apt-get download -q -o APT::Sandbox::User=root "linux-image-amd64=$meta" &&
    image=$(dpkg-deb -f linux-image-amd64_*.deb Depends | sed -n 's/^\([^ ,]*\) (= \([^)]*\)).*/\1=\2/p') &&
    [ -n "$image" ] && apt-get download -q -o APT::Sandbox::User=root "$image"); then
    echo "Could not download the kernel for the emulated machine"
    rm -rf "$linux"
    return 0
  fi
  for deb in "$linux"/debs/*.deb; do dpkg -x "$deb" "$linux"; done
  rm -rf "$linux/debs"
  echo "$meta" >"$linux/.version"
}

if [ "$what" != native ]; then
  wine32
  guest
fi
