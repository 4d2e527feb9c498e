#!/usr/bin/env bash
# A relaunch command line far over 99 characters (a long source directory on A:) is passed whole; the copy finds its script and the disk there.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/relaunch.inc"

dir=DISKS\\$(printf 'd%.0s' $(seq 60))\\$(printf 's%.0s' $(seq 60))
install_cfg SETUP.cfg <<'EOF2'
Caption=Relaunch
Welcome=Install the sample program?
WelcomeCaption=Welcome
EOF2
dist_file "${dir//\\//}/thisdisk" <<'EOF2'
DiskNumber=1
NextDiskNumber=3
EOF2
winver win31

dialogue <<EOF2
allow-exit
# The copy starts a second program: emulated and on a loaded machine that
# takes more than the default 15 s.
exit 0 60000
msgbox "Welcome" "Install the sample program?"
host expect_relaunched 'C:\\windows\\temp\\installc.exe A:\\$dir A:\\SETUP.EXE'
press No
EOF2

run_setup --floppy -- "A:\\$dir"
expect_exit 0
expect_file_same 'C:\windows\temp\installc.exe' "$SETUP_EXE_BUILT"
