#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (SHA-256) through osslsigncode, when a code-signing certificate
# is given in the environment: SIGN_PKCS12 (the .p12 file) and SIGN_PASSWORD, and SIGN_TIMESTAMP_URL for an RFC 3161
# timestamp. The password never reaches a command line: osslsigncode reads it from its standard input.
# Usage: scripts/sign.sh FILE...
set -euo pipefail
[[ -n ${SIGN_PKCS12:-} ]] || { echo "sign: SIGN_PKCS12 is not set" >&2; exit 1; }
[[ -r $SIGN_PKCS12 ]] || { echo "sign: cannot read $SIGN_PKCS12" >&2; exit 1; }

for file in "$@"; do
  signed=$(mktemp "$file.signing.XXXXXX")
  rm -f "$signed"  # osslsigncode writes a new file
  # The program's name and address show in the system's prompt for rights and in the file's properties.
  osslsigncode sign -pkcs12 "$SIGN_PKCS12" -readpass - -h sha256 -n "Nivora" \
    -in "$file" -out "$signed" >/dev/null <<<"${SIGN_PASSWORD:-}" || {
    rm -f "$signed"
    echo "sign: could not sign $file" >&2
    exit 1
  }
  if [[ -n ${SIGN_TIMESTAMP_URL:-} ]]; then
    stamped="$signed.ts"
    osslsigncode add -ts "$SIGN_TIMESTAMP_URL" -h sha256 -in "$signed" -out "$stamped" >/dev/null || {
      rm -f "$signed" "$stamped"
      echo "sign: could not timestamp $file at $SIGN_TIMESTAMP_URL" >&2
      exit 1
    }
    mv -f "$stamped" "$signed"
  fi
  mv -f "$signed" "$file"
  echo "sign: $(basename "$file")"
done
