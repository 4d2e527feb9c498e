#!/usr/bin/env bash
# A missing archive (its whole long path in the question, broken into lines): No aborts with no profile entries written; Yes goes on, installs the rest and writes them, but leaves out the success message.
. "$(dirname "$0")/../../lib.sh"

LONG=folder-with-a-rather-long-name-for-the-archives-of-the-sample-program-in-version-one-dot-zero
install_cfg <<EOF2
Caption=Missing
DestPathPrompt=N
DefaultPath=C:\\MISS
DirExistsWarn=N
[Disk1]
first.txt==\$d
SrcDir=\$s\\$LONG
gone.lzh=\$d
SrcDir=\$s
last.lzh=\$d
EOF2
dist_file win.ini <<'EOF2'
[Missing]
Dir=$d
EOF2
make_data "$DIST/first.txt" 2000
make_data "$SCEN/last.txt" 5000
make_lzh last.lzh -lh5- last.txt "$SCEN/last.txt"
mkdir -p "$DIST/$LONG"

dialogue <<EOF2
window Install "Missing"
dialog "Disk 1"
msgbox "Error" "Archive \"D:\\\\${LONG:0:60}\n${LONG:60}\\\\gone.lzh\" not found.\nContinue installation?"
press No
msgbox "Error" "Installation Aborted."
press OK
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\MISS\first.txt' "$DIST/first.txt"
expect_no_file 'C:\MISS\last.txt'
expect_no_ini_key win.ini Missing Dir

dialogue <<EOF2
window Install "Missing"
msgbox "Error" "Archive \"D:\\\\${LONG:0:60}\n${LONG:60}\\\\gone.lzh\" not found.\nContinue installation?"
dialog "Disk 1"
text 320 "gone.lzh"
text 321 ""
text 322 "0%"
msgbox "Error" ~"gone.lzh"
press Yes
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\MISS\last.txt' "$SCEN/last.txt"
expect_ini_value win.ini Missing Dir 'C:\MISS'
