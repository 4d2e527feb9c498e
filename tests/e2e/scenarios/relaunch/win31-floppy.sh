#!/usr/bin/env bash
# Windows 3.1, A:\SETUP.EXE, "NextDiskNumber" 2: the program copies itself to a new temp directory as installc.exe, starts it with "A: A:\SETUP.EXE" and ends before any question; the copy asks the welcome question.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/relaunch.inc"

install_cfg SETUP.cfg <<'EOF2'
Caption=Relaunch
Welcome=Install the sample program?
WelcomeCaption=Welcome
DefaultPath=C:\SAMPLE
EOF2
dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=2
EOF2
winver win31
rm -rf "$WINEPREFIX/drive_c/windows/temp"

dialogue <<'EOF2'
allow-exit
# The copy starts a second program: emulated and on a loaded machine that
# takes more than the default 15 s.
exit 0 60000
msgbox "Welcome" "Install the sample program?"
host expect_relaunched 'C:\windows\temp\installc.exe A: A:\SETUP.EXE'
press No
EOF2

run_setup --floppy
expect_exit 0
expect_file_same 'C:\windows\temp\installc.exe' "$SETUP_EXE_BUILT"
expect_no_file 'C:\SAMPLE'
