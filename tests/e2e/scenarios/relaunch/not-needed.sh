#!/usr/bin/env bash
# Windows 3.1 without a relaunch: "NextDiskNumber" 1, no thisdisk, or the program started from C: with A: as the source; the welcome question follows at once and no copy is made.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Relaunch
Welcome=Install the sample program?
WelcomeCaption=Welcome
DefaultPath=C:\SAMPLE
EOF2
winver win31

dialogue <<'EOF2'
window Install "Relaunch"
msgbox "Welcome" "Install the sample program?"
press No
exit 0
EOF2

dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=1
EOF2
run_setup --floppy
expect_exit 0
expect_no_file 'C:\windows\temp\installc.exe'

rm "$DIST/thisdisk"
run_setup --floppy
expect_exit 0
expect_no_file 'C:\windows\temp\installc.exe'

# Only the program's own drive counts.
dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=2
EOF2
mkdir -p "$WINEPREFIX/drive_c/SETUP"
cp "$SETUP_EXE_BUILT" "$WINEPREFIX/drive_c/SETUP/SETUP.EXE"
run_setup --floppy --cmd 'C:\SETUP\SETUP.EXE' -- 'A:'
expect_exit 0
expect_no_file 'C:\windows\temp\installc.exe'
