#!/usr/bin/env bash
# A newer installc.exe: the overwrite question answered No gives "Failed to copy A:\SETUP.EXE" once; the installation then goes on from the floppy, and a repaint does not repeat the message.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Relaunch
Welcome=Install the sample program?
WelcomeCaption=Welcome
EOF2
dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=2
EOF2
winver win31
copy=$WINEPREFIX/drive_c/windows/temp/installc.exe
printf 'newer copy' >"$copy"
touch -d '+1 day' "$copy"

dialogue <<'EOF2'
window Install "Relaunch"
msgbox "File exists" "File \"C:\\windows\\temp\\installc.exe\" already exists.\nOverwrite?"
press No
msgbox "Error" "Failed to copy A:\\SETUP.EXE"
press OK
msgbox "Welcome" "Install the sample program?"
window Install "Relaunch"
repaint
absent #32770 * 500
msgbox "Welcome" "Install the sample program?"
press No
absent #32770 * 500
exit 0
EOF2

run_setup --floppy
expect_exit 0
expect_file 'C:\windows\temp\installc.exe' 'newer copy'
