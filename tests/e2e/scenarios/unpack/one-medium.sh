#!/usr/bin/env bash
# One medium with Disk1 and Disk2 sections: compressed, stored and double archives, file and directory copies, profile entries, a "SrcDir" in the middle, win.ini and system.ini companions; every file equals its source.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Unpack
DestPathPrompt=N
DefaultPath=C:\APP
[Disk1]
text.lzh=$d
stored.lzh=$d\data
readme.txt==$d\doc
SrcDir=$s\extra
app.cfg=|$d\app.ini
notes.txt==$d\doc
SrcDir=$s
pack.lzz=@$d\inner
[Disk2]
docs==$d\docs
.==$d\all
[Groups]
EOF2
dist_file win.ini <<'EOF2'
Stray=before any section
[Sample]
Dir=$d\bin
EOF2
dist_file system.ini <<'EOF2'
[SampleDrv]
Path=$w\sample.drv
EOF2
dist_file extra/app.cfg <<'EOF2'
[Paths]
Home=$d
Win=$w\x
EOF2

D=$SCEN/data
make_data "$D/a.txt" 70000
make_data "$D/b.bin" 30000 binary
make_data "$D/c.txt" 5000
make_data "$D/s.bin" 20000 binary
make_data "$D/i.txt" 40000
make_lzh text.lzh -lh5- a.txt "$D/a.txt" -lh5- 'sub\deep\c.txt' "$D/c.txt" '<sto>' b.bin "$D/b.bin"
make_lzh stored.lzh -lh0- s.bin "$D/s.bin"
make_lzh "$SCEN/pack.lz" -lh5- i.txt "$D/i.txt"
make_lzh pack.lzz -lh0- pack.lz "$SCEN/pack.lz"
make_data "$DIST/readme.txt" 3000
make_data "$DIST/extra/notes.txt" 1500
make_data "$DIST/docs/one.txt" 2048
make_data "$DIST/docs/two.bin" 1024 binary
make_data "$DIST/docs/.hidden" 10
make_data "$DIST/docs/sub/three.txt" 10

dialogue <<'EOF2'
window Install "Unpack"
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_file_same 'C:\APP\a.txt' "$D/a.txt"
expect_file_same 'C:\APP\b.bin' "$D/b.bin"
expect_file_same 'C:\APP\sub\deep\c.txt' "$D/c.txt"
expect_file_same 'C:\APP\data\s.bin' "$D/s.bin"
expect_file_same 'C:\APP\doc\readme.txt' "$DIST/readme.txt"
# after "SrcDir=$s\extra" only: the next entries read from there
expect_file_same 'C:\APP\doc\notes.txt' "$DIST/extra/notes.txt"
expect_ini_value 'C:\APP\app.ini' Paths Home 'C:\APP'
expect_ini_value 'C:\APP\app.ini' Paths Win 'C:\windows\x'
# the inner archive is unpacked where the outer one put it, then removed
expect_file_same 'C:\APP\inner\i.txt' "$D/i.txt"
expect_no_file 'C:\APP\inner\pack.lz'
# a directory copy takes the plain files only
expect_file_same 'C:\APP\docs\one.txt' "$DIST/docs/one.txt"
expect_file_same 'C:\APP\docs\two.bin' "$DIST/docs/two.bin"
expect_no_file 'C:\APP\docs\.hidden'
expect_no_file 'C:\APP\docs\sub'
# "." names the source directory itself
expect_file_same 'C:\APP\all\text.lzh' "$DIST/text.lzh"
expect_file_same 'C:\APP\all\readme.txt' "$DIST/readme.txt"
expect_no_file 'C:\APP\all\docs'
# companions: $d and $w expanded, key lines before the first header skipped
expect_ini_value win.ini Sample Dir 'C:\APP\bin'
expect_no_ini_key win.ini Sample Stray
expect_ini_value system.ini SampleDrv Path 'C:\windows\sample.drv'
