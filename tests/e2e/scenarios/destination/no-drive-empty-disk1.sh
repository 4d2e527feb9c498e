#!/usr/bin/env bash
# With an empty Disk1 section no directory check is made: a path without drive letter is created from the current directory.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=Relative\Dir
DirNotFoundWarn=Y
Exec=$s\marker.exe [$d]
[Disk1]
[Groups]
EOF2

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

# The program starts in D:\, the distribution.
run_setup
expect_exit 0
expect_marker 'D:\Relative\Dir' 'D:\Relative\Dir'
