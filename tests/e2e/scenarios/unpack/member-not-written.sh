#!/usr/bin/env bash
# Members that cannot be written are told ("Cannot open" with the member's full path, "File Error"): a folder standing where a file must go, an unknown method; the others are installed and the success message is left out.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Unwritable
DestPathPrompt=N
DefaultPath=C:\UNW
DirExistsWarn=N
[Disk1]
a.lzh=$d
EOF2
mkdir -p "$(hostpath 'C:\')/UNW/BUSY.TXT"
D=$SCEN/data
make_data "$D/busy.txt" 700
make_data "$D/odd.txt" 800
make_data "$D/ok.txt" 2000
make_lzh a.lzh -lh0- BUSY.TXT "$D/busy.txt" -lh7- 'SUB\ODD.TXT' "$D/odd.txt" -lh5- OK.TXT "$D/ok.txt"

dialogue <<'EOF2'
window Install "Unwritable"
msgbox "File Error" "Cannot open C:\\UNW\\BUSY.TXT"
press OK
msgbox "File Error" "Cannot open C:\\UNW\\SUB\\ODD.TXT"
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_dir 'C:\UNW\BUSY.TXT'
expect_no_file 'C:\UNW\SUB\ODD.TXT'
expect_file_same 'C:\UNW\OK.TXT' "$D/ok.txt"
