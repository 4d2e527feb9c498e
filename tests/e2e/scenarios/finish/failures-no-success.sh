#!/usr/bin/env bash
# After a failure counted earlier there is no success message, but "Exec" and the restart offer still follow.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Exec=$s\marker.exe [$d]
RebootSystem=Y
EOF2
marker_program
dist_copy "$E2E_BUILD/tests/e2e/finish_probe.exe"

dialogue <<'EOF2'
window FinishProbe "Finish probe"
msgbox "" "Reboot the computer now?"
press No
exit 0
EOF2

run_setup --cmd 'D:\finish_probe.exe' -- 2 1
expect_exit 0
expect_marker 'D:\' 'D:\'
