#!/usr/bin/env bash
# With both "RestartWindows" and "RebootSystem" set, only the Windows restart is offered.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Restart
DestPathPrompt=N
DefaultPath=C:\DEST
RestartWindows=Yes
RebootSystem=Y
RebootSystemMsg=Reboot now?
[Disk1]
EOF2

dialogue <<'EOF2'
window Install "Restart"
msgbox "" "Installation has completed successfully."
press OK
msgbox "" "Restart Windows now?"
press No
exit 0
EOF2

run_setup
expect_exit 0
