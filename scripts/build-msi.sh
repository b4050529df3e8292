#!/usr/bin/env bash
# Builds the Windows Installer package from the Windows build:
#   build-msi.sh PROGRAM_EXE PRESET_ACTIONS_DLL OUT_DIR
# The version is the one in the program's version resource: three fields,
# or four with the fourth 0.
# The package is OUT_DIR/Tarnwell地址簿同步-<version>.msi (three fields), the
# only package left there. Given a code-signing certificate (scripts/sign.sh),
# the program and the DLL are signed before they are packed, the package last.
set -euo pipefail
exe=$1 dll=$2 out=$3
root="$(cd "$(dirname "$0")/.." && pwd)"
windres="${TW_WINDRES:-x86_64-w64-mingw32-windres}"

version="$("$windres" -J coff -O rc -i "$exe" |
  sed -n 's/^ *PRODUCTVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' | head -n 1)"
if [ -z "$version" ]; then
  echo "build-msi.sh: no version resource in $exe" >&2
  exit 1
fi
# Windows Installer compares three fields only: packages differing in the
# fourth would install side by side instead of one replacing the other.
if [[ "$version" =~ ^([0-9]+\.[0-9]+\.[0-9]+)\.0$ ]]; then version=${BASH_REMATCH[1]}; fi
if ! [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "build-msi.sh: version $version: a release version has three fields (the fourth 0)" >&2
  exit 1
fi

mkdir -p "$out"
out="$(cd "$out" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# wixl takes only relative source paths, and none with Chinese in them.
cp "$exe" "$work/program.exe"
cp "$dll" "$work/preset_actions.dll"
cp "$root/installer/AddrBookSync.wxs" "$work/"
cd "$work"
bash "$root/scripts/sign.sh" program.exe preset_actions.dll
# wixl writes table strings in the ANSI code page of WINDOWS_LANGUAGE and
# fails on Chinese text in any other; the package then has to declare that
# code page (936) itself, or Windows Installer reads the names garbled.
WINDOWS_LANGUAGE=zh_CN wixl -a x64 -D Version="$version" -D ProgramExe=program.exe \
  -D PresetActionsDll=preset_actions.dll -o package.msi AddrBookSync.wxs
# wixl numbers the root HKMU 4 instead of -1 (HKCU per user, HKLM per
# machine), which Windows Installer would refuse.
WINDOWS_LANGUAGE=zh_CN msiinfo export package.msi Registry >Registry.idt
awk 'BEGIN { FS = OFS = "\t" } NR > 3 && $2 == "4" { $2 = "-1" } { print }' Registry.idt >Registry.fixed
mv Registry.fixed Registry.idt
WINDOWS_LANGUAGE=zh_CN msibuild package.msi -i Registry.idt
printf '\r\n936\t_ForceCodepage\r\n\r\n' >_ForceCodepage.idt
WINDOWS_LANGUAGE=zh_CN msibuild package.msi -i _ForceCodepage.idt
# wixl has no OnExit: the program is started again at the end of an
# installation that failed (-3) or was cancelled (-2) here.
for end in "StartProgramAfterFailure -3" "StartProgramAfterCancel -2"; do
  WINDOWS_LANGUAGE=zh_CN msibuild package.msi -q "INSERT INTO InstallExecuteSequence \
    (Action, Condition, Sequence) VALUES ('${end% *}', 'TwProgramWasRunning', ${end#* })"
done
bash "$root/scripts/sign.sh" package.msi

rm -f "$out"/Tarnwell地址簿同步-*.msi
mv "$work/package.msi" "$out/Tarnwell地址簿同步-$version.msi"
