#!/usr/bin/env bash
# Boxes that show a long path stay on the screen, the path broken into lines: "Archive ... not found", "File ... already exists." and the copy's "Cannot open".
. "$(dirname "$0")/../../lib.sh"

L180=$(printf 'p%.0s' $(seq 180))
L200=$(printf 'g%.0s' $(seq 200))
install_cfg <<EOF2
Caption=Long Paths
DestPathPrompt=N
DirExistsWarn=N
DefaultPath=C:\\LP
[Disk1]
$L200.lzh=\$d
new.txt==\$d\\$L180
dir.txt==\$d\\$L180
EOF2
make_data "$DIST/new.txt" 400
make_data "$DIST/dir.txt" 300
# A newer file where new.txt goes; an old folder where dir.txt goes.
T=$(hostpath 'C:\')/LP/$L180
mkdir -p "$T/dir.txt"
printf 'kept' >"$T/new.txt"
touch -d '2037-01-01' "$T/new.txt"
touch -d '2001-01-01' "$T/dir.txt"

dialogue <<EOF2
window Install "Long Paths"
msgbox "Error" ~"${L200:0:20}"
onscreen
press Yes
msgbox "File exists" ~"${L180:0:20}"
onscreen
press No
msgbox "File Error" ~"${L180:0:20}"
onscreen
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file "C:\\LP\\$L180\\new.txt" kept
