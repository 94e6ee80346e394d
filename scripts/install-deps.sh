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

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# A locale with '.' date separators, for the date-format tests.
if [ "$what" != native ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  "${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen
fi

# 32-bit Wine, for the tests of the 32-bit Windows build (scripts/wine32-run): the i386 Wine of
# exactly the installed wine64's version. A plain install of wine32:i386 where it changes none of
# the machine's packages; where it would (i386 libraries whose versions must match newer amd64
# ones), the same Wine unpacked into build-win32/wine32 with the few i386 libraries it needs
# (fonts: without them the desktop never starts; no X or sound), installing nothing.
wine32() {
  [ -x /usr/lib/wine/wine ] && return 0
  # The program interpreter of i386 programs (libc6-i386).
  if [ ! -e /lib/ld-linux.so.2 ] && [ -e /lib32/ld-linux.so.2 ]; then
    "${sudo_cmd[@]}" ln -s /lib32/ld-linux.so.2 /lib/ld-linux.so.2
  fi
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "This kernel runs no 32-bit programs: no 32-bit Wine fetched, the 32-bit tests cannot run here"
    return 0
  fi
  version=$(dpkg-query -W -f='${Version}' wine64)
  unpacked="$root/build-win32/wine32"
  [ "$(cat "$unpacked/.version" 2>/dev/null)" = "$version" ] && return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  if ! apt-cache show "wine32:i386=$version" >/dev/null 2>&1; then
    # Some i386 lists may not download; what did is enough for the unpack.
    "${sudo_cmd[@]}" apt-get update || echo "Some package lists did not download: going on"
  fi
  plan=$(apt-get install -s --no-install-recommends "wine32:i386=$version" 2>&1) || plan="failed"
  if [ "$plan" != failed ] && ! grep -qE '^(Inst [^ ]+ \[|Remv )' <<<"$plan"; then
    echo "Installing: wine32:i386=$version"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends \
      "wine32:i386=$version"
    return 0
  fi
  echo "Unpacking 32-bit Wine $version into $unpacked (wine32:i386 would change installed packages)"
  rm -rf "$unpacked"
  mkdir -p "$unpacked/debs"
  (cd "$unpacked/debs" && apt-get download -q -o APT::Sandbox::User=root \
    "wine32:i386=$version" "libwine:i386=$version" libfreetype6:i386 libfontconfig1:i386 \
    libpng16-16:i386 libbrotli1:i386 zlib1g:i386 libexpat1:i386)
  for deb in "$unpacked"/debs/*.deb; do dpkg -x "$deb" "$unpacked"; done
  rm -rf "$unpacked/debs"
  # user32 imports zlib1.dll, which the system's Wine takes from the MinGW zlib as libwine's
  # install does.
  cp /usr/i686-w64-mingw32/lib/zlib1.dll "$unpacked/usr/lib/i386-linux-gnu/wine/i386-windows/"
  echo "$version" >"$unpacked/.version"
}
[ "$what" = native ] || wine32
