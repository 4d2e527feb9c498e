#!/usr/bin/env bash
# A missing destination without a drive letter: "Drive must be specified", then the dialog again.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=\NoDrive
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "Invalid path" "Drive must be specified"
press OK
dialog "Destination"
type 101 "Relative"
press OK
msgbox "Invalid path" "Drive must be specified"
press OK
dialog "Destination"
press Cancel
msgbox "Error" "Do you want to exit?"
press Yes
exit 0
EOF2

run_setup
expect_exit 0
expect_no_file 'D:\NoDrive'
expect_no_file 'D:\Relative'
expect_no_file 'C:\NoDrive'
