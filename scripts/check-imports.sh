#!/usr/bin/env bash
# The Windows executables must not need a MinGW runtime DLL beside them.
set -euo pipefail
dir=$1
status=0
while IFS= read -r -d '' exe; do
  dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  if echo "$dlls" | grep -qiE 'libgcc|libstdc\+\+|libwinpthread|mingw'; then
    echo "FAIL $exe imports: $dlls"
    status=1
  else
    echo "ok   $(basename "$exe"): $dlls"
  fi
done < <(find "$dir" -name '*.exe' -not -path '*/googletest/*' -print0)
exit $status
