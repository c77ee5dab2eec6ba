#!/usr/bin/env bash
# Tests signed releases: makes a throw-away certificate authority and code-signing certificate, builds the release
# files with it as a release manager would (dist.sh with SIGN_PKCS12 and SIGN_PASSWORD), and checks every signature
# against that authority: both setups, both savers in the portable archive, that a file changed after signing fails,
# and a signature timestamped by an RFC 3161 server (SIGN_TIMESTAMP_URL) run on this machine. Leaves the signed
# release in OUTPUT_FOLDER/dist and the authority in OUTPUT_FOLDER/ca.pem, for install_test.sh to install and to
# check the installed saver's and uninstaller's signatures.
# Usage: scripts/sign_test.sh WIN64_BUILD_FOLDER WIN32_BUILD_FOLDER OUTPUT_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$3"
mkdir -p "$3"
out=$(cd "$3" && pwd)
work=$(mktemp -d)
tsa_pid=""
trap '[[ -n $tsa_pid ]] && kill "$tsa_pid" 2>/dev/null; rm -rf "$work"' EXIT

source "$here/checks.sh"
verifies() { osslsigncode verify -CAfile "$out/ca.pem" -in "$1" >"$work/verify.log" 2>&1; }
fails_to_verify() { ! verifies "$1"; }
never_shows_password() { ! grep -qFf <(printf '%s\n' "$password") "$1"; }
# A copy of $1 with one byte changed in the middle of it, as a download damaged or tampered with.
changed_copy() {
  cp "$1" "$2"
  local middle=$(( $(stat -c %s "$2") / 2 ))
  local byte
  byte=$(od -An -tu1 -j "$middle" -N1 "$2" | tr -d ' ')
  printf "$(printf '\\%03o' $(( byte ^ 0xFF )))" | dd of="$2" bs=1 seek="$middle" conv=notrunc status=none
}

echo "== a throw-away certificate authority and code-signing certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Nivora test authority" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$work/ca.key" -out "$out/ca.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=Nivora test signer" -keyout "$work/signer.key" \
  -out "$work/signer.csr" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$work/ext"
openssl x509 -req -days 2 -in "$work/signer.csr" -CA "$out/ca.pem" -CAkey "$work/ca.key" -CAcreateserial \
  -extfile "$work/ext" -out "$work/signer.pem" 2>/dev/null
# A password with a space and a quote: it must reach osslsigncode whole.
password="snow fall's $RANDOM"
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -certfile "$out/ca.pem" \
  -passout fd:3 -out "$work/signer.p12" 3< <(printf '%s' "$password")

echo "== the release files, signed"
# osslsigncode through a stand-in that writes down each call's arguments and environment, then runs the real one.
mkdir -p "$work/bin"
cat >"$work/bin/osslsigncode" <<END
#!/usr/bin/env bash
{ printf '%s\n' "\$*"; env; } >>"$work/calls"
[[ \$1 != sign ]] || printf 'signs %s\n' "\${*: -1}" >>"$work/signed"
exec $(command -v osslsigncode) "\$@"
END
chmod +x "$work/bin/osslsigncode"
# Run from the certificate's folder and named relative to it, as a release manager may type it.
build64=$(cd "$1" && pwd)
build32=$(cd "$2" && pwd)
(cd "$work" && PATH="$work/bin:$PATH" SIGN_PKCS12=signer.p12 SIGN_PASSWORD="$password" \
  "$here/dist.sh" "$build64" "$build32" "$out/dist") | tee "$work/dist.log"
check "dist says it signs" grep -q "^dist: signing with signer.p12" "$work/dist.log"
check "dist never prints the password" never_shows_password "$work/dist.log"
check "osslsigncode signed 6 files: 2 savers, 2 uninstallers, 2 setups" test "$(wc -l <"$work/signed")" -eq 6
check "no osslsigncode argument list or environment holds the password" never_shows_password "$work/calls"

echo "== signatures against the test authority"
setups=("$out"/dist/nivora-*-setup-x64.exe "$out"/dist/nivora-*-setup-x86.exe)
for setup in "${setups[@]}"; do
  check "$(basename "$setup") is signed" verifies "$setup"
done
archive=("$out"/dist/nivora-*-portable.zip)
folder=$(basename "${archive[0]}" -portable.zip)
for arch in x64 x86; do
  unzip -p "${archive[0]}" "$folder/$arch/nivora.scr" >"$work/$arch.scr"
  check "$arch/nivora.scr in the portable archive is signed" verifies "$work/$arch.scr"
done
check "the signature is SHA-256" grep -q "Message digest algorithm  : SHA256" <(osslsigncode verify \
  -CAfile "$out/ca.pem" -in "${setups[0]}" 2>&1)
check "SHA256SUMS covers the signed files" bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' _ "$out/dist"

echo "== files changed after signing"
changed_copy "${setups[0]}" "$work/changed-setup.exe"
check "a setup with one byte changed fails" fails_to_verify "$work/changed-setup.exe"
changed_copy "$work/x64.scr" "$work/changed.scr"
check "a saver with one byte changed fails" fails_to_verify "$work/changed.scr"

echo "== an RFC 3161 timestamp from SIGN_TIMESTAMP_URL"
# A time-stamping authority under the same test authority, answering over HTTP as a public one does.
openssl req -newkey rsa:2048 -nodes -subj "/CN=Nivora test time stamps" -keyout "$work/tsa.key" \
  -out "$work/tsa.csr" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' \
  >"$work/tsa.ext"
openssl x509 -req -days 2 -in "$work/tsa.csr" -CA "$out/ca.pem" -CAkey "$work/ca.key" -CAcreateserial \
  -extfile "$work/tsa.ext" -out "$work/tsa.pem" 2>/dev/null
echo 01 >"$work/tsa.serial"
cat >"$work/tsa.cnf" <<END
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $work/tsa.serial
signer_cert = $work/tsa.pem
signer_key = $work/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
END
cat >"$work/tsa.py" <<'END'
import http.server, subprocess, sys
class TimeStamps(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile", "/dev/stdin",
                                "-out", "/dev/stdout"], input=query, capture_output=True, check=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), TimeStamps)
print(server.server_port, flush=True)
server.serve_forever()
END
python3 "$work/tsa.py" "$work/tsa.cnf" >"$work/tsa.port" &
tsa_pid=$!
for _ in $(seq 100); do
  [[ -s $work/tsa.port ]] && break
  sleep 0.1
done
osslsigncode remove-signature -in "$work/x64.scr" -out "$work/stamped.scr" >/dev/null
SIGN_PKCS12="$work/signer.p12" SIGN_PASSWORD="$password" SIGN_TIMESTAMP_URL="http://127.0.0.1:$(cat "$work/tsa.port")" \
  "$here/sign.sh" "$work/stamped.scr"
osslsigncode verify -CAfile "$out/ca.pem" -TSA-CAfile "$out/ca.pem" -in "$work/stamped.scr" >"$work/stamped.log" 2>&1 \
  || true
check "a saver signed with SIGN_TIMESTAMP_URL verifies" grep -qx "Succeeded" "$work/stamped.log"
check "its timestamp verifies" grep -q "Timestamp Server Signature verification: ok" "$work/stamped.log"

echo "sign test: $failures failed"
[[ $failures -eq 0 ]]
