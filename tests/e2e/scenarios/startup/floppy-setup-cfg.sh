#!/usr/bin/env bash
# Started from drive A: without arguments, the program reads A:\SETUP.cfg beside it before install.cfg.
. "$(dirname "$0")/../../lib.sh"

install_cfg SETUP.cfg <<'EOF2'
Caption=From SETUP.cfg
DestPathPrompt=N
DefaultPath=C:\FLOPPY
[Disk1]
EOF2
install_cfg <<'EOF2'
Caption=From install.cfg
EOF2

dialogue <<'EOF2'
window Install "From SETUP.cfg"
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup --floppy
expect_exit 0
expect_dir 'C:\FLOPPY'
