#!/usr/bin/env bash
# "RestartWin3Only" under Windows 3.10 keeps the offer; Yes requests the reboot and the program ends normally.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Restart
DestPathPrompt=N
DefaultPath=C:\DEST
RebootSystem=Y
RebootSystemMsg=The new driver needs a reboot.\
Reboot now?
RestartWin3Only=N
[Disk1]
EOF2
winver win31

dialogue <<'EOF2'
window Install "Restart"
msgbox "" "Installation has completed successfully."
press OK
msgbox "" "The new driver needs a reboot.\nReboot now?"
press Yes
exit 0
EOF2

run_setup
expect_exit 0
