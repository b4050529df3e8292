#!/usr/bin/env bash
# The program (and the package's custom actions, which an elevated
# installer loads) import at load time only libraries that Windows 7 to 11
# take from System32 whatever the folder holds: the KnownDLLs of all of
# them, and ntdll. Any other is looked for first beside the image, in a
# folder the user can write; those are delay-loaded, after the program has
# limited the search to System32.
#   system_imports_test.sh OBJDUMP IMAGE...
set -euo pipefail
objdump=$1
shift
known=" advapi32 comdlg32 gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ntdll ole32
  oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32 "
status=0
for image in "$@"; do
  for dll in $("$objdump" -p "$image" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr A-Z a-z); do
    [[ $known == *[[:space:]]${dll%.dll}[[:space:]]* ]] ||
      { echo "$(basename "$image") imports $dll, which the loader looks for beside it"; status=1; }
  done
done
exit $status
