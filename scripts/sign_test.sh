#!/usr/bin/env bash
# Signs a release with a throw-away code-signing certificate made here, and checks it as a user's Windows would:
# every signed file verifies against the throw-away CA, a file changed after signing does not, and the signed
# setup installs and uninstalls (scripts/install_test.sh, which also checks the installed saver and uninstaller).
# Usage: scripts/sign_test.sh WIN64_BUILD_FOLDER WIN32_BUILD_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
umask 077

# A CA and a code-signing certificate under it, valid for two days; the key and its password never leave $work.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -out "$work/ca.pem" -days 2 \
  -subj "/CN=Nivora throw-away test CA" -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" >/dev/null 2>&1
openssl req -newkey rsa:2048 -nodes -keyout "$work/signer.key" -out "$work/signer.csr" \
  -subj "/CN=Nivora throw-away test signer" >/dev/null 2>&1
printf 'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
  >"$work/signer.ext"
openssl x509 -req -in "$work/signer.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial \
  -out "$work/signer.pem" -days 2 -extfile "$work/signer.ext" >/dev/null 2>&1
export SIGN_PASSWORD
SIGN_PASSWORD=$(openssl rand -hex 16)
openssl pkcs12 -export -in "$work/signer.pem" -inkey "$work/signer.key" -certfile "$work/ca.pem" \
  -out "$work/signer.p12" -passout env:SIGN_PASSWORD
export SIGN_PKCS12="$work/signer.p12"

SIGN_TIMESTAMP_URL='' "$here/dist.sh" "$1" "$2" "$work/dist"

failures=0
check() {  # DESCRIPTION COMMAND...
  if "${@:2}"; then echo "  ok    $1"; else echo "  FAIL  $1"; failures=$((failures + 1)); fi
}
verifies() { osslsigncode verify -CAfile "$work/ca.pem" -in "$1" >/dev/null 2>&1; }
fails_to_verify() { ! verifies "$1"; }

echo "signatures:"
version=$(ls "$work/dist" | sed -n 's/^nivora-\(.*\)-portable\.zip$/\1/p')
mkdir "$work/portable"
unzip -q "$work/dist/nivora-$version-portable.zip" -d "$work/portable"
for file in "$work/dist/nivora-$version-setup-x64.exe" "$work/dist/nivora-$version-setup-x86.exe" \
  "$work/portable/nivora-$version/x64/nivora.scr" "$work/portable/nivora-$version/x86/nivora.scr"; do
  check "$(basename "$(dirname "$file")")/$(basename "$file") verifies" verifies "$file"
done
# One byte of the program changed after signing: the signature no longer holds.
cp "$work/portable/nivora-$version/x64/nivora.scr" "$work/changed.scr"
printf '\x90' | dd of="$work/changed.scr" bs=1 seek=1024 conv=notrunc status=none
check "a saver changed after signing does not verify" fails_to_verify "$work/changed.scr"
check "SHA256SUMS covers the signed files" bash -c "cd '$work/dist' && sha256sum --quiet -c SHA256SUMS"

echo "install test of the signed setup:"
NIVORA_SIGN_CA="$work/ca.pem" "$here/install_test.sh" "$work/dist" || failures=$((failures + 1))

echo "sign test: $failures failed"
[[ $failures -eq 0 ]]
