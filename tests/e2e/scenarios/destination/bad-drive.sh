#!/usr/bin/env bash
# A destination on a drive that does not exist: "cannot be created", and nothing is created on the current drive instead.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=Q:\App
[Disk1]
readme.txt==$d
EOF2
rm -f "$WINEPREFIX/dosdevices/q:" "$WINEPREFIX/dosdevices/q::"

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "Error" "Directory \"Q:\\App\" cannot be created"
press OK
exit 0
absent * * 0
EOF2

run_setup
expect_exit 0
# The program runs in D:\ and C: is the system drive.
expect_no_file 'D:\App'
expect_no_file 'C:\App'
