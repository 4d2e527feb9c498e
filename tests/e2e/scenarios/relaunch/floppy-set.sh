#!/usr/bin/env bash
# Windows 3.1 from a two-floppy set: the launching program ends before any question; its copy asks the welcome question, finds SETUP.cfg on A:, installs both disks with a disk change and completes.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/relaunch.inc"

install_cfg SETUP.cfg <<'EOF2'
Caption=Relaunch
Welcome=Install the sample program?
WelcomeCaption=Welcome
DestPathPrompt=N
DefaultPath=C:\FLOP
[Disk1]
[Disk2]
EOF2
dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=2
d1.lzh=$d
EOF2
e2e_write_crlf "$SCEN/DISK2/thisdisk" <<'EOF2'
DiskNumber=2
d2.lzh=$d
EOF2
D=$SCEN/data
make_data "$D/one.txt" 9000
make_data "$D/two.txt" 20000
make_lzh d1.lzh -lh5- one.txt "$D/one.txt"
make_lzh "$SCEN/DISK2/d2.lzh" -lh5- two.txt "$D/two.txt"
winver win31

dialogue <<'EOF2'
allow-exit
# The copy starts a second program: emulated and on a loaded machine that
# takes more than the default 15 s.
exit 0 60000
msgbox "Welcome" "Install the sample program?"
host expect_relaunched 'C:\windows\temp\installc.exe A: A:\SETUP.EXE'
press Yes
msgbox "Next Disk" "Please insert disk 2"
host floppy_change DISK2
press OK
msgbox "" "Installation has completed successfully."
press OK
EOF2

run_setup --floppy
expect_exit 0
expect_file_same 'C:\FLOP\one.txt' "$D/one.txt"
expect_file_same 'C:\FLOP\two.txt' "$D/two.txt"
