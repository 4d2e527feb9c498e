#!/usr/bin/env bash
# The source directory typed in another letter case: "Cannot install in current directory", then the dialog again.
. "$(dirname "$0")/../../lib.sh"

install_cfg Src/install.cfg <<'EOF2'
Caption=Destination
DefaultPath=d:\src
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "Directory exists" "Directory \"d:\\src\" already exists.\nOverwrite files?"
press Yes
msgbox "Error" "Cannot install in current directory"
press OK
dialog "Destination"
text 101 "d:\\src"
press Cancel
msgbox "Error" "Do you want to exit?"
press Yes
exit 0
absent * * 0
EOF2

run_setup -- 'D:\Src'
expect_exit 0
