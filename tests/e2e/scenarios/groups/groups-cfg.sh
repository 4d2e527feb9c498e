#!/usr/bin/env bash
# Without a Groups section the group list is groups.cfg beside the script; an item without a title is named after its program.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Groups
ProgramName=Sample
DestPathPrompt=N
DirExistsWarn=N
DefaultPath=C:\DEST
[Disk1]
EOF2
dist_file groups.cfg <<'EOF2'
; the sample's icons
Group1=Sample Files
Item1=$d\viewer.exe
EOF2
mkdir -p "$WINEPREFIX/drive_c/DEST"
: >"$WINEPREFIX/drive_c/DEST/viewer.exe"
dist_copy "$E2E_BUILD/tests/e2e/link_probe.exe"

dialogue <<'EOF2'
window Install "Groups"
msgbox "New Program Group" "Add icons for Sample to your desktop?"
press Yes
msgbox "" "Installation has completed successfully."
press OK
absent #32770 * 1000
exit 0
EOF2

run_setup
expect_exit 0
expect_startmenu_item "Sample Files" viewer
menu=$(winpath "$(startmenu_dir)")
(cd "$DIST" && "$WINE64" link_probe.exe "$menu\\Sample Files\\viewer.lnk" >"$SCEN/links.txt" 2>&1) ||
    fail "link_probe: $(cat "$SCEN/links.txt")"
[ "$(tr -d '\r' <"$SCEN/links.txt")" = "$menu\\Sample Files\\viewer.lnk: path=C:\\DEST\\viewer.exe args=" ] ||
    fail "link: $(cat "$SCEN/links.txt")"
