#!/usr/bin/env bash
# A repaint while the welcome question is open only paints: the destination step starts exactly once.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Sample Setup
Welcome=Do you want to install the sample program?
WelcomeCaption=Welcome
[Disk1]
EOF2

dialogue <<'EOF2'
msgbox "Welcome" "Do you want to install the sample program?"
window Install "Sample Setup"
repaint
# A first-paint logic run again by the repaint would ask a second time.
absent #32770 * 500
count #32770 * 1
msgbox "Welcome" "Do you want to install the sample program?"
press Yes
dialog "Destination"
# A second destination step would open its dialog from the first one's loop.
absent #32770 * 500
count #32770 * 1
press OK
msgbox "" "Installation has completed successfully."
press OK
absent #32770 * 1000
exit 0
EOF2

run_setup
expect_exit 0
