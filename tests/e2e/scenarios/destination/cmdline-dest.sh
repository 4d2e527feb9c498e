#!/usr/bin/env bash
# A destination given on the command line skips the dialog, the space and directory checks and the creation.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

install_cfg <<'EOF2'
Caption=Destination
DirNotFoundWarn=Y
SpaceRequired=2147483647
Exec=$s\marker.exe [$d]
[Disk1]
EOF2
tmpfs_drive T 1m

dialogue <<'EOF2'
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup -- 'D:' 'D:\SETUP.EXE' 'T:\Given'
expect_exit 0
expect_no_file 'T:\Given'
# Not created, so the program stays in its start directory.
expect_marker 'D:\' 'T:\Given'
