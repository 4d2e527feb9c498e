#!/usr/bin/env bash
# A damaged archive ends the program with status 1 after an "Error" box that names the archive and the member; the message also goes to standard error.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Damaged
DestPathPrompt=N
DefaultPath=C:\DAMAGED
[Disk1]
bad.lzh=$d
EOF2
make_data "$SCEN/a.txt" 5000
make_lzh "$SCEN/whole.lzh" -lh0- a.txt "$SCEN/a.txt"
head -c 1000 "$SCEN/whole.lzh" >"$DIST/bad.lzh"

dialogue <<'EOF2'
window Install "Damaged"
msgbox "Error" "Can't read\n\nArchive: D:\\bad.lzh\nFile: a.txt"
press OK
exit 1
EOF2
run_setup
expect_exit 1
expect_stderr "Can't read"
