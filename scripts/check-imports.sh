#!/usr/bin/env bash
# The Windows programs and libraries must not need a MinGW runtime DLL beside them.
set -euo pipefail
dir=$1/bin
status=0
while IFS= read -r -d '' file; do
  dlls=$(i686-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  if echo "$dlls" | grep -qiE 'libgcc|libstdc\+\+|libwinpthread|mingw'; then
    echo "FAIL ${file#"$1"/}: imports $dlls"
    status=1
  else
    echo "ok   ${file#"$1"/}: $dlls"
  fi
done < <(find "$dir" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)
exit $status
