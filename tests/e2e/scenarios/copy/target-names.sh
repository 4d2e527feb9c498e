#!/usr/bin/env bash
# Copy targets: "$d\V1.0\DOCS" is a folder by its last name (the file lands in it, no "already exists" question), and so is "$d" when the destination has a dot in its name (C:\CUT.V2, a folder that exists); a folder target too long for the file's name, and a double archive whose inner archive's path is too long, are each one "Path ... longer than 259 characters" box, nothing written or unpacked, no success message.
. "$(dirname "$0")/../../lib.sh"

L245=$(printf 'x%.0s' $(seq 245))
install_cfg <<EOF2
Caption=Target Names
DestPathPrompt=N
DefaultPath=C:\\CUT.V2
[Disk1]
NOTES.TXT==\$d\\V1.0\\DOCS
README.TXT==\$d\\$L245
dbl.lzhh=@\$d\\$L245
LAST.TXT==\$d
EOF2
D=$SCEN/data
make_data "$DIST/NOTES.TXT" 700
make_data "$DIST/README.TXT" 800
make_data "$DIST/LAST.TXT" 300
make_data "$D/in.txt" 500
make_lzh "$D/dbl.lzh" -lh0- IN.TXT "$D/in.txt"
make_lzh dbl.lzhh -lh0- dbl.lzh "$D/dbl.lzh"

dialogue <<EOF2
window Install "Target Names"
msgbox "Error" ~"Path of \"README.TXT\" longer than 259 characters:\nC:\\\\CUT.V2\\\\xxxx"
press OK
msgbox "Error" ~"Path of \"dbl.lzhh\" longer than 259 characters:\nC:\\\\CUT.V2\\\\xxxx"
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\CUT.V2\V1.0\DOCS\NOTES.TXT' "$DIST/NOTES.TXT"
expect_file_same 'C:\CUT.V2\LAST.TXT' "$DIST/LAST.TXT"
# Nothing cut short was written, and the long folder was not even made.
[ -z "$(ls "$(hostpath 'C:\CUT.V2')" | grep -v -x -e V1.0 -e LAST.TXT)" ] || fail "other files in C:\\CUT.V2: $(ls "$(hostpath 'C:\CUT.V2')")"
