#!/usr/bin/env bash
# Closing the main window while the welcome question is open ends the program with exit code 0; no later step runs.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Sample Setup
Welcome=Do you want to install the sample program?
WelcomeCaption=Welcome
DefaultPath=C:\SAMPLE
DestPathPrompt=N
EOF2

dialogue <<'EOF2'
msgbox "Welcome" "Do you want to install the sample program?"
window Install "Sample Setup"
close
absent * * 3000
exit 0
EOF2

run_setup
expect_exit 0
expect_no_file 'C:\SAMPLE'
