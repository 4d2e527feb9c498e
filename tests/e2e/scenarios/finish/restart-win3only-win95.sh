#!/usr/bin/env bash
# "RestartWin3Only" present (even empty) drops the offer on a system that does not report version 3.10.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Restart
DestPathPrompt=N
DefaultPath=C:\DEST
RebootSystem=Y
RestartWin3Only=
[Disk1]
EOF2
winver win95

dialogue <<'EOF2'
window Install "Restart"
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
