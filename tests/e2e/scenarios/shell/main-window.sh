#!/usr/bin/env bash
# The main window has class "Install", the script's caption, and covers the whole screen.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Sample Setup
Welcome=Do you want to install the sample program?
WelcomeCaption=Welcome
EOF2

dialogue <<'EOF2'
window Install "Sample Setup"
fullscreen
count Install * 1
msgbox "Welcome" "Do you want to install the sample program?"
press No
exit 0
EOF2

run_setup
expect_exit 0
