#!/usr/bin/env bash
# "DirNotFoundWarn" Y and a missing destination: No at "Directory not found" ends setup without creating it.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=C:\Missing
DirNotFoundWarn=Y
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "Directory not found" "Directory \"C:\\Missing\" not found.\nContinue anyway?"
press No
exit 0
absent * * 0
EOF2

run_setup
expect_exit 0
expect_no_file 'C:\Missing'
