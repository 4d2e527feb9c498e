#!/usr/bin/env bash
# A head-level "SrcDir" of $s\DISK moves SourceDir: the companion file groups.cfg is read from there.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=SrcDir
SrcDir=$s\DISK
ProgramName=Sample
DestPathPrompt=N
DefaultPath=C:\DEST
[Disk1]
EOF2
dist_file DISK/groups.cfg <<'EOF2'
Group1=Sample
EOF2

dialogue <<'EOF2'
window Install "SrcDir"
msgbox "New Program Group" "Add icons for Sample to your desktop?"
press No
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
