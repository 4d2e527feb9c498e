#!/usr/bin/env bash
# "DestPathPrompt" N and a check that only has OK ("Drive must be specified"): setup ends instead of asking for ever.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Destination
DestPathPrompt=N
DefaultPath=NoDrive
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
msgbox "Invalid path" "Drive must be specified"
press OK
exit 0
absent * * 0
EOF2

run_setup
expect_exit 0
expect_no_file 'D:\NoDrive'
