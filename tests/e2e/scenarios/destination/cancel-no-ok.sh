#!/usr/bin/env bash
# Cancel, then No to "Do you want to exit?", asks again proposing "DefaultPath" anew; OK then installs.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=C:\Again
Exec=$s\marker.exe [$d]
[Disk1]
EOF2

dialogue <<'EOF2'
dialog "Destination"
type 101 "C:\\Typed"
press Cancel
msgbox "Error" "Do you want to exit?"
press No
dialog "Destination"
text 101 "C:\\Again"
press OK
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_no_file 'C:\Typed'
expect_marker 'C:\Again' 'C:\Again'
