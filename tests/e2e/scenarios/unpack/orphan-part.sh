#!/usr/bin/env bash
# A continuation part without the part before it is a damaged distribution ("Error" box naming archive and member, status 1) and writes nothing: an archive that starts with one, and one whose archive before ended with another file.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Orphan
DestPathPrompt=N
DefaultPath=C:\ORPH
DirExistsWarn=N
[Disk1]
a.lzh=$d
EOF2
D=$SCEN/data
make_data "$D/part.txt" 3000
make_data "$D/first.txt" 900
make_lzh a.lzh '<cm+>' PART.TXT "$D/part.txt" -lh0- OTHER.TXT "$D/first.txt"

dialogue <<'EOF2'
window Install "Orphan"
msgbox "Error" "Continued file without its beginning\n\nArchive: D:\\a.lzh\nFile: PART.TXT"
press OK
exit 1
EOF2
run_setup
expect_exit 1
expect_no_file 'C:\ORPH\PART.TXT'
expect_no_file 'C:\ORPH\OTHER.TXT'

# The archive before ends with FIRST.TXT, not with the beginning of PART.TXT.
install_cfg <<'EOF2'
Caption=Orphan
DestPathPrompt=N
DefaultPath=C:\ORPH
DirExistsWarn=N
[Disk1]
b.lzh=$d
c.lzh=$d
EOF2
make_lzh b.lzh '<sto>' PART.TXT "$D/first.txt" -lh0- FIRST.TXT "$D/first.txt"
make_lzh c.lzh '<st+>' PART.TXT "$D/part.txt"
dialogue <<'EOF2'
window Install "Orphan"
msgbox "Error" "Continued file without its beginning\n\nArchive: D:\\c.lzh\nFile: PART.TXT"
press OK
exit 1
EOF2
run_setup
expect_exit 1
expect_file_same 'C:\ORPH\PART.TXT' "$D/first.txt"
