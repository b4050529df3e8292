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
# Signed with the build machine's osslsigncode, and with Debian 12's own
# (2.5, unpacked beside the build, not installed) when that one differs.
signed_with() {
  rm -rf out files log && mkdir -p out
  bash "$root/scripts/build-msi.sh" "$exe" "$dll" out >log 2>&1 ||
    { cat log; echo "not built with $(osslsigncode --version | head -n 1)"; exit 1; }
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
  echo "signed and verified with $(osslsigncode --version | head -n 1)"
}
signed_with
debian12=2.5-4
[[ $(osslsigncode --version | head -n 1) != "osslsigncode ${debian12%-*},"* ]] || exit 0
deb="$(dirname "$work")/osslsigncode-$debian12"
if [ ! -x "$deb/usr/bin/osslsigncode" ]; then
  mkdir -p "$deb" && (cd "$deb" && apt-get download "osslsigncode=$debian12" >/dev/null 2>&1 &&
    dpkg-deb -x osslsigncode_*.deb .) || true
fi
if [ ! -x "$deb/usr/bin/osslsigncode" ]; then
  echo "SKIPPED: Debian 12's osslsigncode $debian12 cannot be had here" \
    "(apt-cache policy osslsigncode): signed with the build machine's only"
  exit 77
fi
PATH="$deb/usr/bin:$PATH" signed_with
