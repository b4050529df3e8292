#!/usr/bin/env bash
# Makes a throw-away certificate authority and two server certificates it
# signed, for HTTPS tests of the demo server:
#   ca.pem ca.der ca.key      the authority (trust ca.pem, or ca.der on Windows)
#   server.pem server.key     valid for 127.0.0.1, localhost and HOSTNAME
#   mismatch.pem mismatch.key same authority, a name no test connects to
# Usage: make_test_ca.sh OUTDIR [HOSTNAME]   (HOSTNAME defaults to localhost)
# The keys are unprotected: use OUTDIR in a temporary or build directory only.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUTDIR [HOSTNAME]" >&2
  exit 2
fi
out=$1
host=${2:-localhost}
command -v openssl >/dev/null || { echo "$0: openssl is not installed" >&2; exit 1; }
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

days=30

# Runs openssl without its progress noise, showing its messages on failure.
quiet_openssl() {
  openssl "$@" 2>"$work/openssl.log" || { cat "$work/openssl.log" >&2; return 1; }
}

quiet_openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
  -keyout "$out/ca.key" -out "$out/ca.pem" -subj "/CN=Tarnwell Demo Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign"
quiet_openssl x509 -in "$out/ca.pem" -outform DER -out "$out/ca.der"

# sign NAME COMMON_NAME SUBJECT_ALT_NAMES: NAME.key and NAME.pem, signed by
# the authority. Clients match the alternative names, not the common name.
sign() {
  local name=$1 common_name=$2 alt_names=$3
  printf '%s\n' "basicConstraints=critical,CA:FALSE" \
    "keyUsage=critical,digitalSignature,keyEncipherment" \
    "extendedKeyUsage=serverAuth" \
    "subjectAltName=$alt_names" >"$work/$name.ext"
  quiet_openssl req -newkey rsa:2048 -nodes -sha256 -keyout "$out/$name.key" \
    -out "$work/$name.csr" -subj "/CN=$common_name"
  quiet_openssl x509 -req -in "$work/$name.csr" -CA "$out/ca.pem" -CAkey "$out/ca.key" \
    -set_serial "0x$(openssl rand -hex 8)" -days "$days" -sha256 \
    -extfile "$work/$name.ext" -out "$out/$name.pem"
}

alt_names="IP:127.0.0.1,DNS:localhost"
if [[ $host =~ ^[0-9]+(\.[0-9]+){3}$ ]]; then
  [ "$host" = 127.0.0.1 ] || alt_names="IP:$host,$alt_names"
elif [ "$host" != localhost ]; then
  alt_names="DNS:$host,$alt_names"
fi
sign server "$host" "$alt_names"
sign mismatch wrong-name.tarnwell-demo.example "DNS:wrong-name.tarnwell-demo.example"

echo "$out: ca.pem ca.der ca.key server.pem server.key mismatch.pem mismatch.key"
