#!/usr/bin/env bash
# "SpaceRequired" above the free space of a 1 MB drive: the warning's K-byte figures; No asks again with "DefaultPath", Yes goes on.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

tmpfs_drive T 1m
install_cfg <<'EOF2'
Caption=Destination
DefaultPath=T:\App
SpaceRequired=4194303
Exec=$s\marker.exe [$d]
[Disk1]
EOF2

# 4194303 bytes are 4095 K (truncated); the empty 1 MB drive has 1024 K free.
dialogue <<'EOF2'
dialog "Destination"
type 101 "T:\\Other"
press OK
msgbox "No space on drive" "This installation requires 4095 K bytes\nDrive T: has only 1024 K bytes of free space\nContinue anyway?"
press No
dialog "Destination"
text 101 "T:\\App"
press OK
msgbox "No space on drive" "This installation requires 4095 K bytes\nDrive T: has only 1024 K bytes of free space\nContinue anyway?"
press Yes
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_no_file 'T:\Other'
expect_marker 'T:\App' 'T:\App'
