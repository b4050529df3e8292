#!/usr/bin/env bash
# The images import at load time only KnownDLLs common to Windows 7-11 (and
# ntdll), which the loader never looks for beside them: OBJDUMP IMAGE...
set -euo pipefail
objdump=$1 status=0 known=" advapi32 comdlg32 gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz
  nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32 "
for image in "${@:2}"; do
  for dll in $("$objdump" -p "$image" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr A-Z a-z); do
    [[ $known == *[[:space:]]${dll%.dll}[[:space:]]* ]] ||
      { echo "${image##*/} imports $dll, which the loader looks for beside it"; status=1; }
  done
done
exit $status
