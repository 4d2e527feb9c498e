#!/usr/bin/env bash
# A setup script without keys runs from the first paint to exit code 0: the destination asked with its default, then, with no "Disk1" section and no "thisdisk" file, disk 1 asked for until the prompt is cancelled.
. "$(dirname "$0")/../../lib.sh"

install_cfg </dev/null

dialogue <<'EOF2'
window Install ""
dialog "Destination"
text 101 "C:\\TEMP"
press OK
msgbox "Next Disk" "Please insert disk 1"
press OK
msgbox "Next Disk" "Please insert disk 1"
press Cancel
msgbox "Error" "Installation Aborted."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_dir 'C:\TEMP'
