#!/usr/bin/env bash
# A group list raises the icons question with the program's name; a name too long for it is cut, the question stays whole.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Icons
ProgramName=The Sample Program With A Name Much Longer Than Anyone Would Ever Want
DestPathPrompt=N
DefaultPath=C:\DEST
[Groups]
Group1=Sample
[Disk1]
EOF2

dialogue <<'EOF2'
window Install "Icons"
msgbox "New Program Group" "Add icons for The Sample Program With A Name Much Longer Than Anyone Would Ever Wa to your desktop?"
press No
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_no_startmenu_group Sample
