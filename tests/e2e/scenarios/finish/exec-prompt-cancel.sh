#!/usr/bin/env bash
# "ExecPrompt" answered Cancel runs nothing; the restart offer still follows.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Exec
DestPathPrompt=N
DefaultPath=C:\DEST
Exec=$s\marker.exe [$d]
ExecPrompt=Read the notes now?
RestartWindows=Y
[Disk1]
EOF2
marker_program

dialogue <<'EOF2'
window Install "Exec"
msgbox "" "Installation has completed successfully."
press OK
msgbox "" "Read the notes now?"
press Cancel
msgbox "" "Restart Windows now?"
press No
exit 0
EOF2

run_setup
expect_exit 0
sleep 1
expect_no_file 'C:\DEST\marker.txt'
