#!/usr/bin/env bash
# Values and paths that do not fit are never used cut and the user is told which: a "SrcDir" entry (the entries up to the next one are left out, nothing is looked up), a source path of SourceDir and a long key (one message, no "not found" question), values of a profile-entry file and of win.ini; the rest installs and the success message is left out.
. "$(dirname "$0")/../../lib.sh"

A=$(printf 'a%.0s' $(seq 1 150))
B=$(printf 'b%.0s' $(seq 1 150))
K=$(printf 'k%.0s' $(seq 1 256)).lzh
V=$(printf 'v%.0s' $(seq 1 250))
install_cfg <<EOF2
Caption=Too Long
DestPathPrompt=N
DefaultPath=C:\\TL
DirExistsWarn=N
[Disk1]
first.txt==\$d
SrcDir=\$s\\$A\\$B
gone.lzh=\$d
SrcDir=\$s
$K=\$d
p.ini=|\$d\\P.INI
last.txt==\$d
EOF2
dist_file p.ini <<EOF2
[Section]
Long=\$d\\$V
Short=\$d\\S
EOF2
dist_file win.ini <<EOF2
[TooLong]
Wide=\$w\\$V
Dir=\$d
EOF2
make_data "$DIST/first.txt" 1000
make_data "$DIST/last.txt" 1000
mkdir -p "$DIST/$A/$B"
make_data "$DIST/$A/$B/gone.lzh" 10

dialogue <<EOF2
window Install "Too Long"
msgbox "Error" "Value of \"SrcDir\" longer than 259 characters:\n\$s\\\\${A:0:61}\n${A:61:64}\n${A:125:25}\\\\${B:0:6}..."
press OK
absent #32770 ~"gone.lzh" 500
msgbox "Error" ~"Path of \"${K:0:64}...\" longer than 259 characters:\nD:\\\\${K:0:61}\n"
press OK
msgbox "Error" ~"Value of \"Long\" longer than 255 characters:\n\$d\\\\${V:0:61}\n"
press OK
msgbox "Error" ~"Value of \"Wide\" longer than 255 characters:\n\$w\\\\${V:0:61}\n"
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\TL\first.txt' "$DIST/first.txt"
expect_file_same 'C:\TL\last.txt' "$DIST/last.txt"
expect_no_file 'C:\TL\gone.lzh'
expect_ini_value 'C:\TL\P.INI' Section Short 'C:\TL\S'
expect_no_ini_key 'C:\TL\P.INI' Section Long
expect_ini_value win.ini TooLong Dir 'C:\TL'
expect_no_ini_key win.ini TooLong Wide
