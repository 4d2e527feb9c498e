#!/usr/bin/env bash
# A drive root typed as C:\ is stored as C: alone ($d expands to "C:") and is the current directory.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

install_cfg <<'EOF2'
Caption=Destination
Exec=$s\marker.exe [$d]
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
dialog "Destination"
text 101 "C:\\TEMP"
type 101 "C:\\"
press OK
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_marker 'C:\' 'C:'
