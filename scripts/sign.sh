#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (SHA-256, osslsigncode) when a code-signing certificate is given
# in the environment; does nothing without one.
#   SIGN_PKCS12         the certificate and its private key, a PKCS#12 file (.p12 or .pfx)
#   SIGN_PASSWORD       its password (may be empty); read from the environment only, never passed as an argument
#   SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamping server, so the signature outlives the certificate
# Usage: scripts/sign.sh --announce   one line saying whether and how the release is signed; fails on a bad setting
#        scripts/sign.sh FILE...      signs each file in place
set -euo pipefail

[[ $# -gt 0 ]] || { echo "usage: scripts/sign.sh --announce | FILE..." >&2; exit 2; }
certificate=${SIGN_PKCS12:-}

if [[ -z $certificate ]]; then
  [[ $1 == --announce ]] && echo "dist: unsigned build (no SIGN_PKCS12 certificate given); SmartScreen will warn"
  exit 0
fi
[[ -r $certificate ]] || { echo "sign: cannot read the certificate SIGN_PKCS12=$certificate" >&2; exit 1; }
[[ -v SIGN_PASSWORD ]] || { echo "sign: SIGN_PKCS12 is given but SIGN_PASSWORD is not set (set it empty for none)" >&2; exit 1; }
if [[ $1 == --announce ]]; then
  echo "dist: signing with $(basename "$certificate")${SIGN_TIMESTAMP_URL:+, timestamped by $SIGN_TIMESTAMP_URL}"
  exit 0
fi

# Without a time-stamping server the signing time is the sources' date (dist.sh sets SOURCE_DATE_EPOCH), so the same
# sources and certificate give the same signed bytes; a timestamp makes every signing differ, as it must.
when=()
if [[ -n ${SIGN_TIMESTAMP_URL:-} ]]; then
  when=(-ts "$SIGN_TIMESTAMP_URL")
elif [[ -n ${SOURCE_DATE_EPOCH:-} ]]; then
  when=(-time "$SOURCE_DATE_EPOCH")
fi

# The password goes in on standard input from the shell's own printf, so no process's argument list shows it, nor
# osslsigncode's environment.
password=$SIGN_PASSWORD
unset SIGN_PASSWORD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in "$@"; do
  osslsigncode sign -pkcs12 "$certificate" -readpass - -h sha256 -n "Nivora" "${when[@]}" \
    -in "$file" -out "$work/signed" \
    < <(printf '%s' "$password") >"$work/log" 2>&1 || {
    cat "$work/log" >&2
    echo "sign: could not sign $file" >&2
    exit 1
  }
  # In place (the same file, for makensis, which reads its uninstaller back), keeping the date the setups record.
  touch -r "$file" "$work/date"
  cp "$work/signed" "$file"
  touch -r "$work/date" "$file"
  rm -f "$work/signed"
done
