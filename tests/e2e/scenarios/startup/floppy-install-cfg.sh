#!/usr/bin/env bash
# Started from drive A: without arguments and without SETUP.cfg, the program reads A:\install.cfg.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=From install.cfg
DestPathPrompt=N
DefaultPath=C:\FLOPPY
[Disk1]
EOF2

dialogue <<'EOF2'
window Install "From install.cfg"
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup --floppy
expect_exit 0
