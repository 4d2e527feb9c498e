#!/usr/bin/env bash
# "RestartWindows" written in lower case counts as no: nothing is offered after the success message.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Restart
DestPathPrompt=N
DefaultPath=C:\DEST
RestartWindows=y
[Disk1]
EOF2

dialogue <<'EOF2'
window Install "Restart"
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
