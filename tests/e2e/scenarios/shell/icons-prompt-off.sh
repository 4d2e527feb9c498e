#!/usr/bin/env bash
# "IconsPrompt" that does not begin with an upper-case Y creates the groups without asking; a groups.cfg beside a script with a Groups section is ignored.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Icons
ProgramName=Sample
IconsPrompt=yes
DestPathPrompt=N
DefaultPath=C:\DEST
[Groups]
Group1=Sample
[Disk1]
EOF2
dist_file groups.cfg <<'EOF2'
Group1=Other
EOF2

dialogue <<'EOF2'
window Install "Icons"
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_startmenu_group Sample
expect_no_startmenu_group Other
