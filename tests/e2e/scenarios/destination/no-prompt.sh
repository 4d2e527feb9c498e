#!/usr/bin/env bash
# "DestPathPrompt" N with the defaults installs into C:\TEMP without a dialog.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

install_cfg <<'EOF2'
Caption=Destination
DestPathPrompt=N
Exec=$s\marker.exe [$d]
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
window Install "Destination"
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_marker 'C:\TEMP' 'C:\TEMP'
