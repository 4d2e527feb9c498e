#!/usr/bin/env bash
# Started as "SETUP.EXE ." from the distribution's folder: SourceDir is made a full path at start-up, so the archive and the copied file are still found after the destination step has moved the current folder.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Relative
DestPathPrompt=N
DefaultPath=C:\REL
[Disk1]
a.lzh=$d
b.txt==$d\doc
EOF2
make_data "$SCEN/a.txt" 3000
make_data "$DIST/b.txt" 500
make_lzh a.lzh -lh5- a.txt "$SCEN/a.txt"

dialogue <<'EOF2'
window Install "Relative"
msgbox "" "Installation has completed successfully."
press OK
absent * * 1000
exit 0
EOF2
run_setup -- .
expect_exit 0
expect_file_same 'C:\REL\a.txt' "$SCEN/a.txt"
expect_file_same 'C:\REL\doc\b.txt' "$DIST/b.txt"
