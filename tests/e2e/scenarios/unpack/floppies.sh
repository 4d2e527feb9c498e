#!/usr/bin/env bash
# Three floppies on A: with "thisdisk" files: the wrong disk is asked for again (disk 1 left in the drive, then disk 3 offered for disk 2), a file split 1-2 as stored continuation and one split 2-3 as compressed continuation are joined, "NextDiskNumber" 7 still leads to disk 3.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Floppies
DestPathPrompt=N
DefaultPath=C:\FLOP
[Disk1]
[Disk2]
extra.txt==$d\doc
EOF2
dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=2
d1.lzh=$d
EOF2
e2e_write_crlf "$SCEN/DISK2/thisdisk" <<'EOF2'
DiskNumber=2
NextDiskNumber=7
d2.lzh=$d
EOF2
e2e_write_crlf "$SCEN/DISK3/thisdisk" <<'EOF2'
DiskNumber=3
d3.lzh=$d\last
EOF2

D=$SCEN/data
make_data "$D/one.txt" 9000
make_data "$D/split.bin" 50000 binary
make_data "$D/huge.txt" 120000
make_data "$D/three.txt" 700
head -c 30000 "$D/split.bin" >"$D/split.1"
tail -c +30001 "$D/split.bin" >"$D/split.2"
head -c 50000 "$D/huge.txt" >"$D/huge.1"
tail -c +50001 "$D/huge.txt" >"$D/huge.2"
make_lzh d1.lzh -lh5- one.txt "$D/one.txt" '<sto>' split.bin "$D/split.1"
make_lzh "$SCEN/DISK2/d2.lzh" '<st+>' split.bin "$D/split.2" '<cmp>' 'last\huge.txt' "$D/huge.1"
make_lzh "$SCEN/DISK3/d3.lzh" '<cm+>' huge.txt "$D/huge.2" -lh0- three.txt "$D/three.txt"
make_data "$SCEN/DISK2/extra.txt" 1200

dialogue <<'EOF2'
window Install "Floppies"
msgbox "Next Disk" "Please insert disk 2"
press OK
msgbox "Next Disk" "Please insert disk 2"
host floppy_change DISK3
press OK
msgbox "Next Disk" "Please insert disk 2"
host floppy_change DISK2
press OK
msgbox "Next Disk" "Please insert disk 3"
host floppy_change DISK3
press OK
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup --floppy
expect_exit 0
expect_file_same 'C:\FLOP\one.txt' "$D/one.txt"
expect_file_same 'C:\FLOP\split.bin' "$D/split.bin"
expect_file_same 'C:\FLOP\last\huge.txt' "$D/huge.txt"
expect_file_same 'C:\FLOP\last\three.txt' "$D/three.txt"
expect_file_same 'C:\FLOP\doc\extra.txt' "$SCEN/DISK2/extra.txt"
