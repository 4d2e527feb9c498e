#!/usr/bin/env bash
# An archive's target is always a folder, created and entered, else "Directory ... cannot be created", a failure and the entry skipped: a missing drive, a file in the way, 256 characters, a cut expansion; "DATA.V2" is a folder. Copy and profile targets on a missing drive are told too; nothing is created on C:.
. "$(dirname "$0")/../../lib.sh"

L249=$(printf 'x%.0s' $(seq 249))
L280=$(printf 'y%.0s' $(seq 280))
install_cfg <<EOF2
Caption=Targets
DestPathPrompt=N
DefaultPath=C:\\TGT
[Disk1]
first.lzh=\$d\\B
a.lzh=Q:\\APP
b.lzh=\$d\\B\\B1.TXT
c.lzh=\$d\\$L249
e.lzh=\$d\\$L280
d.lzh=\$d\\DATA.V2
p.ini=|Q:\\CONF\\P.INI
x.txt==Q:\\X
r.txt==C:\\R.TXT
EOF2
D=$SCEN/data
for m in b1 a b c e d; do make_data "$D/$m.txt" 600; done
make_lzh first.lzh -lh0- B1.TXT "$D/b1.txt"
for m in a b c e d; do make_lzh $m.lzh -lh5- $m.txt "$D/$m.txt"; done
dist_file p.ini <<'EOF2'
[Conf]
Key=Value
EOF2
make_data "$DIST/x.txt" 300
make_data "$DIST/r.txt" 200

dialogue <<'EOF2'
window Install "Targets"
msgbox "Error" "Directory \"Q:\\APP\" cannot be created"
press OK
msgbox "Error" "Directory \"C:\\TGT\\B\\B1.TXT\" cannot be created"
press OK
msgbox "Error" ~"Directory \"C:\\TGT\\xxxxxxxx"
press OK
msgbox "Error" ~"Directory \"$d\\yyyyyyyy"
press OK
msgbox "Error" "Directory \"Q:\\CONF\" cannot be created"
press OK
msgbox "Error" "Directory \"Q:\\X\" cannot be created"
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\TGT\B\B1.TXT' "$D/b1.txt"
expect_file_same 'C:\TGT\DATA.V2\d.txt' "$D/d.txt"
for m in a b c e; do
    expect_no_file "C:\\TGT\\$m.txt"
    expect_no_file "C:\\TGT\\B\\$m.txt"
done
expect_file_same 'C:\R.TXT' "$DIST/r.txt"
expect_no_file 'C:\APP'
expect_no_file 'C:\CONF'
expect_no_file 'C:\X'
expect_no_file "C:\\TGT\\$L249"
[ -z "$(ls "$(hostpath 'C:\TGT')" | grep -v -x -e B -e DATA.V2)" ] || fail "other folders in C:\\TGT: $(ls "$(hostpath 'C:\TGT')")"
