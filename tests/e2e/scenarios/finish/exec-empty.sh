#!/usr/bin/env bash
# An empty "Exec" (or one of blanks) names no program: no "ExecPrompt" question and no empty "Cannot run program" box after the success message.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Empty Exec
DestPathPrompt=N
DefaultPath=C:\DEST
Exec=
ExecPrompt=Start the program now?
[Disk1]
EOF2

dialogue <<'EOF2'
window Install "Empty Exec"
msgbox "" "Installation has completed successfully."
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0

install_cfg <<'EOF2'
Caption=Empty Exec
DestPathPrompt=N
DefaultPath=C:\DEST
Exec=   	
[Disk1]
EOF2
run_setup
expect_exit 0
