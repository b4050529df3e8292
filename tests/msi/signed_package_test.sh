#!/usr/bin/env bash
# The package built as a release is, with a code-signing certificate of a throw-away authority:
# program, DLL and package verify against it, and fail to once a byte has changed.
set -euo pipefail
exe=$1 dll=$2 work=$3 root="$(cd "$(dirname "$0")/../.." && pwd)"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Root -days 2 -keyout ca.key -out ca.pem \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj /CN=Tarnwell -keyout key.pem -out req.pem 2>/dev/null
echo extendedKeyUsage=codeSigning >ext
openssl x509 -req -in req.pem -CA ca.pem -CAkey ca.key -days 2 -extfile ext -out cert.pem 2>/dev/null
export TW_SIGN_PASSWORD=secret-$RANDOM TW_SIGN_PKCS12=$work/sign.p12
openssl pkcs12 -export -in cert.pem -inkey key.pem -passout env:TW_SIGN_PASSWORD -out sign.p12
bash "$root/scripts/build-msi.sh" "$exe" "$dll" out >log 2>&1 || { cat log; osslsigncode -v; exit 1; }
grep -rqF "$TW_SIGN_PASSWORD" log out && { echo "password written out"; exit 1; }
msi=$(echo out/*.msi)
msiextract -C files "$msi" >/dev/null && msiinfo extract "$msi" Binary.PresetActions >actions.dll
for file in "$msi" files/*/*/*.exe actions.dll; do
  verified=$(osslsigncode verify -CAfile ca.pem -in "$file") || { echo "$file: not signed"; exit 1; }
  [[ $verified == *"Message digest algorithm: SHA256"* ]] || { echo "$file: not SHA-256"; exit 1; }
  cp "$file" changed
  printf '\xff' | dd of=changed bs=1 seek=$(($(stat -c %s changed) / 2)) conv=notrunc status=none
  ! osslsigncode verify -CAfile ca.pem -in changed >/dev/null 2>&1 || { echo "$file: changed"; exit 1; }
done
# Again with Debian 12's osslsigncode 2.5, unpacked (not installed), if the machine's differs.
deb="$(dirname "$work")/osslsigncode-2.5-4"
[[ $(osslsigncode -v) != "osslsigncode 2.5,"* ]] || exit 0
[ -x "$deb/usr/bin/osslsigncode" ] || (mkdir -p "$deb" && cd "$deb" &&
  apt-get download osslsigncode=2.5-4 && dpkg-deb -x osslsigncode_*.deb .) >/dev/null 2>&1 ||
  { echo "SKIPPED: no Debian 12 osslsigncode 2.5-4 here (apt-cache policy osslsigncode)"; exit 77; }
PATH="$deb/usr/bin:$PATH" exec bash "$0" "$@"
