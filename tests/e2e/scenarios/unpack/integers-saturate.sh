#!/usr/bin/env bash
# Integer keys past the 32-bit range read as its end, not wrapped: "NextDiskNumber" 4294967296 still leads to disk 2, and -4294967295 on disk 2 ends the set there (wrapped, they read 0 and 1).
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Big Numbers
DestPathPrompt=N
DefaultPath=C:\BIGNUM
[Disk1]
[Disk2]
EOF2
dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=4294967296
d1.lzh=$d
EOF2
e2e_write_crlf "$SCEN/DISK2/thisdisk" <<'EOF2'
DiskNumber=2
NextDiskNumber=-4294967295
d2.lzh=$d
EOF2

D=$SCEN/data
make_data "$D/one.txt" 900
make_data "$D/two.txt" 700
make_lzh d1.lzh -lh5- one.txt "$D/one.txt"
make_lzh "$SCEN/DISK2/d2.lzh" -lh0- two.txt "$D/two.txt"

dialogue <<'EOF2'
window Install "Big Numbers"
msgbox "Next Disk" "Please insert disk 2"
host floppy_change DISK2
press OK
msgbox "" "Installation has completed successfully."
press OK
absent * * 1000
exit 0
EOF2

run_setup --floppy
expect_exit 0
expect_file_same 'C:\BIGNUM\one.txt' "$D/one.txt"
expect_file_same 'C:\BIGNUM\two.txt' "$D/two.txt"
