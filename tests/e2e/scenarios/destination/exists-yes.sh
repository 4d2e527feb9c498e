#!/usr/bin/env bash
# An existing destination answered Yes is installed into; a plain file of that name counts as existing too.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=C:\Existing
Exec=$s\marker.exe [$d]
[Disk1]
readme.txt==$d
EOF2
mkdir -p "$WINEPREFIX/drive_c/Existing"
: >"$WINEPREFIX/drive_c/PlainFile"

# The plain file is "found", Yes goes on, and it cannot be entered.
dialogue <<'EOF2'
dialog "Destination"
type 101 "C:\\PlainFile"
press OK
msgbox "Directory exists" "Directory \"C:\\PlainFile\" already exists.\nOverwrite files?"
press Yes
msgbox "Error" "Directory \"C:\\PlainFile\" cannot be created"
press OK
exit 0
absent * * 0
EOF2
run_setup
expect_exit 0
expect_file 'C:\PlainFile' ''

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "Directory exists" "Directory \"C:\\Existing\" already exists.\nOverwrite files?"
press Yes
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2
run_setup
expect_exit 0
expect_marker 'C:\Existing' 'C:\Existing'
