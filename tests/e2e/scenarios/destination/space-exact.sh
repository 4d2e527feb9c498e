#!/usr/bin/env bash
# "SpaceRequired" exactly the free bytes that the destination drive reports: enough, so no "No space on drive" question; the installation goes on.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

tmpfs_drive T 1m
# What the drive reports free: the blocks available to a user times their size.
free=$(stat -f -c '%a * %S' "$TMPFS_DIR")
free=$((free))
install_cfg <<EOF2
Caption=Destination
DestPathPrompt=N
DefaultPath=T:\\App
SpaceRequired=$free
Exec=\$s\\marker.exe [\$d]
[Disk1]
readme.txt==\$d
EOF2

dialogue <<'EOF2'
window Install "Destination"
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_marker 'T:\App' 'T:\App'
expect_file_same 'T:\App\readme.txt' "$DIST/readme.txt"
