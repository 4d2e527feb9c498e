#!/usr/bin/env bash
# A head-level "SrcDir" too long to use is told once and its archives are left out, never read from the start folder instead; a relative one ("MEDIA") is found from the folder setup started in, after the destination step has changed the current folder.
. "$(dirname "$0")/../../lib.sh"

L150=$(printf 'm%.0s' $(seq 150))
install_cfg <<EOF2
Caption=Head SrcDir
SrcDir=\$s\\$L150\\$L150
DestPathPrompt=N
DefaultPath=C:\\HEAD
[Disk1]
a.lzh=\$d
EOF2
D=$SCEN/data
make_data "$D/a.txt" 900
make_data "$D/m.txt" 700
make_lzh a.lzh -lh0- A.TXT "$D/a.txt"
dialogue <<'EOF2'
msgbox "Error" ~"Value of \"SrcDir\" longer than 259 characters:"
press OK
window Install "Head SrcDir"
exit 0
EOF2
run_setup
expect_exit 0
expect_no_file 'C:\HEAD\A.TXT'

install_cfg <<'EOF2'
Caption=Head SrcDir
SrcDir=MEDIA
DestPathPrompt=N
DefaultPath=C:\HEAD2
[Disk1]
a.lzh=$d
EOF2
make_lzh MEDIA/a.lzh -lh0- M.TXT "$D/m.txt"
dialogue <<'EOF2'
window Install "Head SrcDir"
msgbox "" "Installation has completed successfully."
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\HEAD2\M.TXT' "$D/m.txt"
expect_no_file 'C:\HEAD2\A.TXT'
