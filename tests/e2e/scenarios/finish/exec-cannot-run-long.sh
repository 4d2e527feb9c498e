#!/usr/bin/env bash
# A long "Exec" command line that cannot start, and one too long to run, are shown in boxes that fit on the screen: the shown text is broken into lines, the command itself is unchanged.
. "$(dirname "$0")/../../lib.sh"

X=$(printf 'x%.0s' $(seq 1 200))
cfg() {
    install_cfg <<EOF2
Caption=Exec
DestPathPrompt=N
DefaultPath=C:\\DEST
Exec=$1
[Disk1]
EOF2
}

cfg "\$s\\missing.exe \$d\\$X"
dialogue <<EOF2
window Install "Exec"
msgbox "" "Installation has completed successfully."
press OK
msgbox "Cannot run program" "D:\\\\missing.exe C:\\\\DEST\\\\${X:0:56}\n${X:56:64}\n${X:120:64}\n${X:184}"
onscreen
press OK
exit 0
EOF2
run_setup
expect_exit 0

cfg "\$s\\missing.exe \$d\\$X$X"
dialogue <<EOF2
window Install "Exec"
msgbox "" "Installation has completed successfully."
press OK
msgbox "Cannot run program" ~"Command line longer than 255 characters:\nD:\\\\missing.exe C:\\\\DEST\\\\${X:0:56}\n${X:56:64}\n"
onscreen
press OK
exit 0
EOF2
run_setup
expect_exit 0
