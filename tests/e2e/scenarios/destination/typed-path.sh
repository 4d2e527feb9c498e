#!/usr/bin/env bash
# A path typed into the edit control replaces the proposal; the text is selected and the program name shown.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

install_cfg <<'EOF2'
Caption=Destination
DefaultPath=C:\Proposed
Exec=$s\marker.exe [$d]
[Disk1]
readme.txt==$d
EOF2
dist_file readme.txt <<<'read me'

dialogue <<'EOF2'
dialog "Destination"
text 102 ""
text 101 "C:\\Proposed"
type 101 "C:\\Typed\\Two Levels"
press OK
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_dir 'C:\Typed\Two Levels'
expect_no_file 'C:\Proposed'
expect_marker 'C:\Typed\Two Levels' 'C:\Typed\Two Levels'
