#!/usr/bin/env bash
# A "SrcDir" that first stands inside a section leaves SourceDir where it was.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=SrcDir in a section
ProgramName=Sample
DestPathPrompt=N
DefaultPath=C:\DEST
[Options]
SrcDir=$s\DISK
[Disk1]
EOF2
# Only the groups.cfg beside the script can raise the icons question.
dist_file groups.cfg <<'EOF2'
Group1=Sample
EOF2
dist_file DISK/install.cfg <<'EOF2'
Caption=unused
EOF2

dialogue <<'EOF2'
window Install "SrcDir in a section"
msgbox "New Program Group" "Add icons for Sample to your desktop?"
press No
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
