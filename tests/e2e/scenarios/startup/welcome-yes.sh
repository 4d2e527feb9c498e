#!/usr/bin/env bash
# The welcome question shows its caption; Yes goes on with the installation.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Welcome
Welcome=This installs the sample.\
Go on?
WelcomeCaption=Sample Setup
DestPathPrompt=N
DefaultPath=C:\DEST
[Disk1]
EOF2

dialogue <<'EOF2'
msgbox "Sample Setup" "This installs the sample.\nGo on?"
press Yes
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_dir 'C:\DEST'
