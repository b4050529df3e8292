#!/usr/bin/env bash
# Signs files in place (Authenticode, SHA-256) with the company's
# code-signing certificate when one is given; does nothing otherwise:
#   sign.sh FILE...
#   TW_SIGN_PKCS12         the certificate and its private key (PKCS#12)
#   TW_SIGN_PASSWORD       its password, read from the environment only and
#                          handed to osslsigncode on a pipe, so that it shows
#                          on no command line and in no log
#   TW_SIGN_TIMESTAMP_URL  optional time-stamp server (RFC 3161), so that the
#                          signatures outlive the certificate
set -euo pipefail
[ -n "${TW_SIGN_PKCS12:-}" ] || exit 0
timestamp=()
[ -z "${TW_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$TW_SIGN_TIMESTAMP_URL")
for file in "$@"; do
  rm -f "$file.signed"
  osslsigncode sign -pkcs12 "$TW_SIGN_PKCS12" -readpass - -h sha256 "${timestamp[@]}" \
    -in "$file" -out "$file.signed" >/dev/null <<<"${TW_SIGN_PASSWORD:-}"
  mv "$file.signed" "$file"
done
