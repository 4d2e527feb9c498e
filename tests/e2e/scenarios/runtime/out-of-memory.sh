#!/usr/bin/env bash
# A new-expression the heap cannot serve ends the program with "Not enough memory to run Setup." and status 1, not a crash on null.
. "$(dirname "$0")/../../lib.sh"

probe=$E2E_BUILD/tests/e2e/runtime_probe.exe
[ -f "$probe" ] || fail "no $probe: build the win64 build first"
dist_copy "$probe"

dialogue <<'EOF2'
msgbox "Error" "Not enough memory to run Setup."
press OK
exit 1
EOF2

run_setup --cmd 'D:\runtime_probe.exe' -- oom
expect_exit 1
