#!/usr/bin/env bash
# Checks the Windows executables and DLLs of a build (bin/ and the stand-ins' simcam-bin/):
#  - none needs a MinGW runtime DLL beside it;
#  - each declares Windows 6.0 (Vista) as its operating-system and subsystem version, the lowest
#    Windows its imports need;
#  - each program (torvane.exe, pellmark.exe, quensil.exe) takes the current directory out of
#    the DLL search (imports SetDllDirectoryA) and carries the application manifest: resource 1
#    of type RT_MANIFEST, asInvoker, and the supportedOS entries of Vista to Windows 10/11;
#  - the 32-bit programs import only the system functions listed in scripts/windows-imports.txt.
# Usage: scripts/check-imports.sh BUILD_DIR [OBJDUMP]   (OBJDUMP: x86_64-w64-mingw32-objdump,
# which reads 32-bit and 64-bit files alike; the windres beside it reads the manifest)
set -euo pipefail
export LC_ALL=C
build=$1
objdump=${2:-x86_64-w64-mingw32-objdump}
windres=${objdump%objdump}windres
allowed="$(cd "$(dirname "$0")" && pwd)/windows-imports.txt"
programs=" torvane.exe pellmark.exe quensil.exe "
required_imports="kernel32.dll!SetDllDirectoryA"
manifest_lines=(
  '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'
  '<supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}"/>' # Vista
  '<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>' # 7
  '<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>' # 8
  '<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>' # 8.1
  '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' # 10 and 11
)
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
# The text of resource 1 of type 24 (RT_MANIFEST), from the resource script that windres makes of
# the file: one quoted line per line of text, quotes doubled. Empty when there is none.
manifest() {
  { "$windres" -J coff -O rc -i "$1" 2>/dev/null || true; } |
    awk '/^1 24 / { on = 1; next } on && /^END/ { exit } on && !/^BEGIN/' |
    sed -e 's/^[[:space:]]*"//' -e 's/"$//' -e 's/\\n$//' -e 's/""/"/g'
}

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
  if [[ $programs == *" ${file##*/} "* ]]; then
    list=$(imports "$dump")
    for needed in $required_imports; do
      grep -qxF "$needed" <<<"$list" || problems+=("does not import $needed")
    done
    text=$(manifest "$file")
    if [ -z "$text" ]; then
      problems+=("carries no application manifest (resource 1 of type RT_MANIFEST)")
    else
      for line in "${manifest_lines[@]}"; do
        grep -qF "$line" <<<"$text" || problems+=("manifest lacks $line")
      done
    fi
    if grep -q 'file format pei-i386' <<<"$dump"; then
      seen+="$list"$'\n'
      unlisted=$(comm -23 <(echo "$list") <(grep -v '^#' "$allowed" | sed '/^$/d' | sort -u))
      if [ -n "$unlisted" ]; then
        problems+=("imports functions not in scripts/windows-imports.txt: $(echo $unlisted)")
      fi
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
