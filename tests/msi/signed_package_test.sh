#!/usr/bin/env bash
# A package built as a release is, with a throw-away authority's code-signing
# certificate: the program, the DLL and the package verify against it, and
# not once one byte has changed.  signed_package_test.sh EXE DLL WORK_DIR
set -euo pipefail
exe=$1 dll=$2 work=$3 root="$(cd "$(dirname "$0")/../.." && pwd)"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Root -days 2 -keyout ca.key -out ca.pem \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj /CN=Tarnwell -keyout key.pem -out req.pem 2>/dev/null
echo extendedKeyUsage=codeSigning >ext
openssl x509 -req -in req.pem -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile ext -out cert.pem 2>/dev/null
export TW_SIGN_PASSWORD=secret-$RANDOM TW_SIGN_PKCS12=$work/sign.p12
openssl pkcs12 -export -in cert.pem -inkey key.pem -passout env:TW_SIGN_PASSWORD -out sign.p12
bash "$root/scripts/build-msi.sh" "$exe" "$dll" out >log 2>&1 || { cat log; exit 1; }
! grep -rqF "$TW_SIGN_PASSWORD" log out
msi=$(echo out/*.msi)
msiextract -C files "$msi" >/dev/null
msiinfo extract "$msi" Binary.PresetActions >actions.dll
for file in "$msi" files/*/*/*.exe actions.dll; do
  verified=$(osslsigncode verify -CAfile ca.pem -in "$file") || { echo "$file: not signed"; exit 1; }
  [[ $verified == *"Message digest algorithm: SHA256"* ]] || { echo "$file: not SHA-256"; exit 1; }
  cp "$file" changed && size=$(stat -c %s changed)
  printf '\xff' | dd of=changed bs=1 seek=$((size / 2)) conv=notrunc status=none
  if osslsigncode verify -CAfile ca.pem -in changed >/dev/null 2>&1; then
    echo "$file: verifies after a change"; exit 1
  fi
  echo "$file: signed"
done
