#!/usr/bin/env bash
# Started as D:\Src\SETUP.EXE: "D:" (D:\Src current), "d:\src\" and "D:\SRC\." name the source directory too, and are refused without any question.
. "$(dirname "$0")/../../lib.sh"

install_cfg Src/install.cfg <<'EOF2'
Caption=Destination
DefaultPath=D:
DirExistsWarn=N
[Disk1]
readme.txt==$d
EOF2

dialogue <<'EOF2'
dialog "Destination"
press OK
msgbox "Error" "Cannot install in current directory"
press OK
dialog "Destination"
type 101 "d:\\src\\"
press OK
msgbox "Error" "Cannot install in current directory"
press OK
dialog "Destination"
type 101 "D:\\SRC\\."
press OK
msgbox "Error" "Cannot install in current directory"
press OK
dialog "Destination"
press Cancel
msgbox "Error" "Do you want to exit?"
press Yes
exit 0
EOF2

run_setup --exe Src/SETUP.EXE --cmd 'D:\Src\SETUP.EXE' --cwd 'D:\Src'
expect_exit 0
