#!/usr/bin/env bash
# A drive with more than 2 GB free satisfies "SpaceRequired": the free space is counted in 64 bits, no warning.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

free_k=$(df -k --output=avail "$WINEPREFIX/drive_c" | tail -n 1 | tr -d ' ')
[ "$free_k" -gt $((4 * 1024 * 1024)) ] || fail "this check needs more than 4 GB free on the disk of the Wine prefix (found ${free_k} K)"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=C:\Large
SpaceRequired=2147483647
Exec=$s\marker.exe [$d]
[Disk1]
EOF2

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_marker 'C:\Large' 'C:\Large'
