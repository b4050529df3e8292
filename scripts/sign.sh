#!/usr/bin/env bash
# Signs files in place (Authenticode, SHA-256) with the company's
# code-signing certificate when one is given; does nothing otherwise:
#   sign.sh FILE...
#   TW_SIGN_PKCS12         the certificate and its private key (PKCS#12)
#   TW_SIGN_PASSWORD       its password, read from the environment only and
#                          handed to osslsigncode on a pipe, so that it shows
#                          on no command line, in no file and in no log
#   TW_SIGN_TIMESTAMP_URL  optional time-stamp server (RFC 3161), so that the
#                          signatures outlive the certificate
set -euo pipefail
[ -n "${TW_SIGN_PKCS12:-}" ] || exit 0
timestamp=()
[ -z "${TW_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$TW_SIGN_TIMESTAMP_URL")
# Debian 12's osslsigncode 2.5 reads -readpass only from a path ("-" fails
# there); /dev/stdin on a pipe from the printf builtin works from 2.5 on.
for file in "$@"; do
  rm -f "$file.signed"
  printf '%s' "${TW_SIGN_PASSWORD:-}" |
    osslsigncode sign -pkcs12 "$TW_SIGN_PKCS12" -readpass /dev/stdin -h sha256 \
      "${timestamp[@]}" -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
done
