#!/usr/bin/env bash
# The program's own runtime without a C runtime DLL: files, formatting, memory, drives, standard error, exit's flush.
. "$(dirname "$0")/../../lib.sh"

probe=$E2E_BUILD/tests/e2e/runtime_probe.exe
[ -f "$probe" ] || fail "no $probe: build the win64 build first"
dist_copy "$probe"
mkdir -p "$DIST/work"
e2e_server
status=0
"$WINE64" 'D:\runtime_probe.exe' 'D:\work' >"$SCEN/probe.out" 2>"$SCEN/probe.err" || status=$?
tr -d '\r' <"$SCEN/probe.out" | sed 's/^/  | /'
[ "$status" = 0 ] || fail "runtime_probe ended with status $status"
tr -d '\r' <"$SCEN/probe.out" | grep -qE '^runtime probe: [0-9]+ checks, 0 failed$' ||
    fail "runtime_probe printed no summary"
grep -qF 'standard error reached' "$SCEN/probe.err" || fail "nothing reached standard error"
expect_file 'D:\work\pending.txt' 'flushed by exit'
