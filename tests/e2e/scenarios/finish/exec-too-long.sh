#!/usr/bin/env bash
# An "Exec" command that does not fit in its 255 characters is not run, cut or whole; the message says why.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Exec
DestPathPrompt=N
DefaultPath=C:\DEST
Exec=$s\marker.exe [$d] xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx
[Disk1]
EOF2
marker_program

dialogue <<'EOF2'
window Install "Exec"
msgbox "" "Installation has completed successfully."
press OK
msgbox "Cannot run program" ~"Command line longer than 255 characters:\nD:\\marker.exe [C:\\DEST] xxx"
press OK
exit 0
EOF2

run_setup
expect_exit 0
sleep 1
[ -e "$(hostpath 'C:\DEST\marker.txt')" ] && fail "the cut command was run"
true
