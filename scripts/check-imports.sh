#!/usr/bin/env bash
# Checks the Windows executables and DLLs of a build (bin/ and the stand-ins' simcam-bin/):
#  - none needs a MinGW runtime DLL beside it;
#  - each declares Windows 6.0 (Vista) as its operating-system and subsystem version, the lowest
#    Windows its imports need;
#  - the 32-bit programs (torvane.exe, pellmark.exe, quensil.exe) import only the system
#    functions listed in scripts/windows-imports.txt.
# Usage: scripts/check-imports.sh BUILD_DIR [OBJDUMP]   (OBJDUMP: x86_64-w64-mingw32-objdump,
# which reads 32-bit and 64-bit files alike)
set -euo pipefail
export LC_ALL=C
build=$1
objdump=${2:-x86_64-w64-mingw32-objdump}
allowed="$(cd "$(dirname "$0")" && pwd)/windows-imports.txt"
programs=" torvane.exe pellmark.exe quensil.exe "
status=0

# DLL!Function of each import, the DLL name in lower case ("#N" for an import by ordinal).
imports() {
  awk '/^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
       /^[[:space:]]*$/ { dll = ""; next }
       dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {
         print dll "!" ($3 == "" || $3 == "<none>" ? "#" $2 : $3)
       }' <<<"$1" | sort -u
}
header() { awk -v k="$2" '$1 == k { print $2; exit }' <<<"$1"; }

files=()
for dir in "$build/bin" "$build/simcam-bin"; do
  [ -d "$dir" ] || continue
  while IFS= read -r -d '' file; do files+=("$file"); done < <(
    find "$dir" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | sort -z)
done
if [ ${#files[@]} -eq 0 ]; then
  echo "FAIL $build: no Windows executables or DLLs"
  exit 1
fi

seen=""
for file in "${files[@]}"; do
  name=${file#"$build"/}
  dump=$("$objdump" -p "$file")
  problems=()
  dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr '\n' ' ')
  if grep -qiE 'libgcc|libstdc\+\+|libwinpthread|mingw' <<<"$dlls"; then
    problems+=("imports a MinGW runtime DLL: $dlls")
  fi
  os="$(header "$dump" MajorOSystemVersion).$(header "$dump" MinorOSystemVersion)"
  subsystem="$(header "$dump" MajorSubsystemVersion).$(header "$dump" MinorSubsystemVersion)"
  if [ "$os" != 6.0 ] || [ "$subsystem" != 6.0 ]; then
    problems+=("declares operating-system version $os and subsystem version $subsystem, not 6.0")
  fi
  if grep -q 'file format pei-i386' <<<"$dump" && [[ $programs == *" ${file##*/} "* ]]; then
    list=$(imports "$dump")
    seen+="$list"$'\n'
    unlisted=$(comm -23 <(echo "$list") <(grep -v '^#' "$allowed" | sed '/^$/d' | sort -u))
    if [ -n "$unlisted" ]; then
      problems+=("imports functions not in scripts/windows-imports.txt: $(echo $unlisted)")
    fi
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok   $name: Windows $os, $dlls"
  else
    for problem in "${problems[@]}"; do echo "FAIL $name: $problem"; done
    status=1
  fi
done

# Listed functions that no program imports any more are only reported: the list may shrink.
if [ -n "$seen" ]; then
  unused=$(comm -13 <(sort -u <<<"$seen" | sed '/^$/d') <(grep -v '^#' "$allowed" | sed '/^$/d' | sort -u))
  [ -z "$unused" ] || echo "note: listed but not imported by any 32-bit program: $(echo $unused)"
fi
exit $status
