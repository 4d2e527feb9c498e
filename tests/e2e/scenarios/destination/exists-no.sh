#!/usr/bin/env bash
# An existing destination answered No at "Directory exists" ends setup: no completion, nothing installed.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=C:\Existing
[Disk1]
readme.txt==$d
EOF2
mkdir -p "$WINEPREFIX/drive_c/Existing"

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "Directory exists" "Directory \"C:\\Existing\" already exists.\nOverwrite files?"
press No
exit 0
absent * * 0
EOF2

run_setup
expect_exit 0
