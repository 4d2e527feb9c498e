#!/usr/bin/env bash
# A network path with "DirNotFoundWarn" Y: "cannot be created", and nothing is created on the current drive.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=\\server\share\app
DirNotFoundWarn=Y
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "Directory not found" "Directory \"\\\\server\\share\\app\" not found.\nContinue anyway?"
press Yes
msgbox "Error" "Directory \"\\\\server\\share\\app\" cannot be created"
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_no_file 'D:\server'
expect_no_file 'C:\server'
