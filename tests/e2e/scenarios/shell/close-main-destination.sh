#!/usr/bin/env bash
# Closing the main window while the destination dialog is open ends the program with exit code 0: no crash, no further window, nothing installed.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Sample Setup
DefaultPath=C:\SAMPLE
EOF2

dialogue <<'EOF2'
dialog "Destination"
window Install "Sample Setup"
close
absent * * 3000
exit 0
EOF2

run_setup
expect_exit 0
expect_no_file 'C:\SAMPLE'
[ ! -s "$SETUP_STDERR" ] || fail "the program wrote to standard error: $(tr -d '\r' <"$SETUP_STDERR")"
