#!/usr/bin/env bash
# Started from A: with more disks to come on a system that does not report 3.10: no copy, the welcome question at once.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Relaunch
Welcome=Install the sample program?
WelcomeCaption=Welcome
EOF2
dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=2
EOF2
winver win95

dialogue <<'EOF2'
window Install "Relaunch"
msgbox "Welcome" "Install the sample program?"
press No
exit 0
EOF2

run_setup --floppy
expect_exit 0
expect_no_file 'C:\windows\temp\installc.exe'
