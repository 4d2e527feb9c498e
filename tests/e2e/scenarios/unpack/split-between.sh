#!/usr/bin/env bash
# A split file is joined although other archives stand between its parts (one into another folder, one whose own last file waits too); a continuation whose beginning's archive was skipped (its folder on a missing drive) is left out quietly after the "cannot be created" box, and the archive goes on.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Split
DestPathPrompt=N
DefaultPath=C:\SPL
[Disk1]
d1.lzh=$d
x1.lzh=$d\X1
a.lzh=Q:\APP
[Disk2]
d2.lzh=$d
b.lzh=$d
EOF2
D=$SCEN/data
make_data "$D/split.bin" 12000
head -c 7000 "$D/split.bin" >"$D/split1"
tail -c +7001 "$D/split.bin" >"$D/split2"
make_data "$D/a.txt" 900
make_data "$D/x.txt" 1500
make_data "$D/part1" 700
make_data "$D/part2" 800
make_data "$D/late.txt" 600
make_lzh d1.lzh -lh0- A.TXT "$D/a.txt" '<cmp>' SPLIT12.BIN "$D/split1"
make_lzh x1.lzh -lh5- X.TXT "$D/x.txt" '<sto>' XLAST.TXT "$D/x.txt"
make_lzh a.lzh -lh0- A0.TXT "$D/a.txt" '<sto>' PART.TXT "$D/part1"
make_lzh d2.lzh '<cm+>' SPLIT12.BIN "$D/split2" -lh0- D2.TXT "$D/a.txt"
make_lzh b.lzh '<st+>' PART.TXT "$D/part2" -lh5- LATE.TXT "$D/late.txt"

dialogue <<'EOF2'
window Install "Split"
msgbox "Error" "Directory \"Q:\\APP\" cannot be created"
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\SPL\SPLIT12.BIN' "$D/split.bin"
expect_file_same 'C:\SPL\X1\X.TXT' "$D/x.txt"
expect_file_same 'C:\SPL\X1\XLAST.TXT' "$D/x.txt"
expect_file_same 'C:\SPL\D2.TXT' "$D/a.txt"
expect_file_same 'C:\SPL\LATE.TXT' "$D/late.txt"
expect_no_file 'C:\SPL\PART.TXT'
expect_no_file 'C:\APP'
