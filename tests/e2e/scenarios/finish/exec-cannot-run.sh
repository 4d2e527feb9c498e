#!/usr/bin/env bash
# An "Exec" program that cannot start is reported with its command line; the program still ends normally.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Exec
DestPathPrompt=N
DefaultPath=C:\DEST
Exec=$s\missing.exe $d
[Disk1]
EOF2

dialogue <<'EOF2'
window Install "Exec"
msgbox "" "Installation has completed successfully."
press OK
msgbox "Cannot run program" "D:\\missing.exe C:\\DEST"
press OK
exit 0
EOF2

run_setup
expect_exit 0
