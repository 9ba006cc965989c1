#!/usr/bin/env bash
# The program must stay one small file that needs nothing but Windows' own DLLs.
set -euo pipefail
exe=${1:?usage: check-exe.sh timelock.exe}
max_bytes=$((256 * 1024))
allowed='^(KERNEL32|USER32|GDI32|SHELL32|ole32|msvcrt)\.dll$'

imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
size=$(stat -c %s "$exe")
echo "exe: $exe, $size bytes; imports: $(echo $imports)"
status=0
for dll in $imports; do
  if ! [[ $dll =~ $allowed ]]; then echo "exe: imports $dll, which is not one of Windows' own DLLs" >&2; status=1; fi
done
if (( size > max_bytes )); then echo "exe: $size bytes is over the $max_bytes-byte budget" >&2; status=1; fi
exit $status
