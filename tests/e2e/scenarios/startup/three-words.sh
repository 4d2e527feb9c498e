#!/usr/bin/env bash
# Three words give SourceDir, the script's name and DestDir: no destination dialog, Exec runs from DestDir.
. "$(dirname "$0")/../../lib.sh"

install_cfg SRC/SETUP.cfg <<'EOF2'
Caption=Three words
Exec=$d\marker.exe [$d]
[Disk1]
EOF2
install_cfg SRC/install.cfg <<'EOF2'
Caption=Wrong script
EOF2
# The destination exists already: a destination from the command line is
# taken as it is, without checks and without being created.
mkdir -p "$(hostpath 'C:\')/APP"
cp "$E2E_BUILD/tests/e2e/marker.exe" "$(hostpath 'C:\APP')/"

dialogue <<'EOF2'
window Install "Three words"
msgbox "" "Installation has completed successfully."
press OK
absent #32770 "Destination" 300
exit 0
EOF2

run_setup -- 'D:\SRC' 'D:\SRC\SETUP.EXE' 'C:\APP'
expect_exit 0
expect_marker 'C:\APP' 'C:\APP'
