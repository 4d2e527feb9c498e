#!/usr/bin/env bash
# The same tree packed by setupkit for a single medium installs in one unpack dialog, without a disk prompt; every file equals its source.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/kit.inc"

make_tree
build_dist single
[ -d "$OUT/disk2" ] && fail "one medium made a second folder"
for f in "$OUT"/disk1/*; do dist_copy "$f"; done

dialogue <<'EOF2'
window Install "Kit Setup"
dialog "Disk 1" 30000
gone 60000
absent #32770 "Next Disk" 500
msgbox "" "Installation has completed successfully." 60000
press OK
exit 0
EOF2

run_setup --timeout 120
expect_exit 0
expect_tree_installed
