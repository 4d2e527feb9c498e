#!/usr/bin/env bash
# "ExecPrompt" answered OK runs the "Exec" program, with path macros expanded, from the destination.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Exec
DestPathPrompt=N
DefaultPath=C:\DEST
Exec=$s\marker.exe [$d]
ExecPrompt=Read the notes now?
[Disk1]
EOF2
marker_program

dialogue <<'EOF2'
window Install "Exec"
msgbox "" "Installation has completed successfully."
press OK
msgbox "" "Read the notes now?"
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_marker 'C:\DEST' 'C:\DEST'
