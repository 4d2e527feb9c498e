#!/usr/bin/env bash
# Cancel, then Yes to "Do you want to exit?", ends setup with exit code 0: nothing created, no completion message.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=C:\Never
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
dialog "Destination"
press Cancel
msgbox "Error" "Do you want to exit?"
press Yes
exit 0
absent * * 0
EOF2

run_setup
expect_exit 0
expect_no_file 'C:\Never'
