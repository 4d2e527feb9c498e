#!/usr/bin/env bash
# A "DefaultPath" of 300 characters is proposed cut to 259; without the dialog it is refused with the whole cut path in the message.
. "$(dirname "$0")/../../lib.sh"

long=$(printf 'a%.0s' $(seq 297))
cut=${long:0:256}
install_cfg <<EOF2
Caption=Destination
DefaultPath=C:\\$long
EOF2

dialogue <<EOF2
dialog "Destination"
text 101 "C:\\\\$cut"
press Cancel
msgbox "Error" "Do you want to exit?"
press Yes
exit 0
EOF2
run_setup
expect_exit 0

install_cfg <<EOF2
Caption=Destination
DestPathPrompt=N
DefaultPath=C:\\$long
EOF2

dialogue <<EOF2
msgbox "Error" "Directory \\"C:\\\\$cut\\" cannot be created"
press OK
exit 0
absent * * 0
EOF2
run_setup
expect_exit 0
if ls "$WINEPREFIX/drive_c" | grep -q '^aaa'; then fail "a directory of the cut path was created"; fi
