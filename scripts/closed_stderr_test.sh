#!/usr/bin/env bash
# nivora's lines go to a stderr whose reader may have gone (a closed pager, a log collector that ended): the write
# fails, and the program ends as it would have, never with status 141 from SIGPIPE.
# Usage: scripts/closed_stderr_test.sh NIVORA
set -euo pipefail
python3 - "$1" <<'PYTHON'
import os, subprocess, sys

nivora = sys.argv[1]
# The arguments, the environment, and the status the program ends with after its one line.
cases = [
    (["--no-such-option"], {}, 2),  # the line comes before anything else is set up
    (["--x11"], {"DISPLAY": ":99999"}, 1),  # after the signals are set up: "cannot open display"
    (["--wayland"], {"WAYLAND_DISPLAY": "nivora-no-such-socket", "XDG_RUNTIME_DIR": "/nonexistent"}, 1),
]
failed = 0
for arguments, environment, expected in cases:
    reader, writer = os.pipe()
    os.close(reader)  # nobody reads what is written
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), **environment}
    # restore_signals (the default) gives the program SIGPIPE's default action, as a shell would.
    status = subprocess.run([nivora, *arguments], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=writer,
                            env=env, timeout=60).returncode
    os.close(writer)
    if status != expected:
        print(f"closed_stderr_test: nivora {' '.join(arguments)} ended with {status}, not {expected}")
        failed += 1
print(f"closed_stderr_test: {len(cases) - failed} passed, {failed} failed")
sys.exit(1 if failed else 0)
PYTHON
