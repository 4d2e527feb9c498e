#!/usr/bin/env bash
# An aborted installation shows only "Installation Aborted.": no success message, no program run, no restart offer.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Exec=$s\marker.exe [$d]
RestartWindows=Y
EOF2
marker_program
dist_copy "$E2E_BUILD/tests/e2e/finish_probe.exe"

dialogue <<'EOF2'
window FinishProbe "Finish probe"
msgbox "Error" "Installation Aborted."
press OK
exit 0
EOF2

run_setup --cmd 'D:\finish_probe.exe' -- 3
expect_exit 0
sleep 1
expect_no_file 'D:\marker.txt'
