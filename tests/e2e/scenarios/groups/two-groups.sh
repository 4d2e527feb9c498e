#!/usr/bin/env bash
# Two groups answered Yes: Program Manager makes a folder per group and a link per item, each item in the group above it, pointing at the expanded $d path; the caption comes back afterwards.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Groups
ProgramName=Sample
DestPathPrompt=N
DirExistsWarn=N
DefaultPath=C:\DEST
[Groups]
Group1=Sample Tools
Item1=$d\tool.exe,Tool
Item2=$d\setup.exe,Set Up
Group2=Sample Docs
Item3=$d\docs\guide.exe,Guide
[Disk1]
EOF2
# The programs are in place, as after unpacking.
dest=$WINEPREFIX/drive_c/DEST
mkdir -p "$dest/docs"
: >"$dest/tool.exe"; : >"$dest/setup.exe"; : >"$dest/docs/guide.exe"
dist_copy "$E2E_BUILD/tests/e2e/link_probe.exe"

dialogue <<'EOF2'
window Install "Groups"
msgbox "New Program Group" "Add icons for Sample to your desktop?"
press Yes
msgbox "" "Installation has completed successfully."
window Install "Groups" 100
msgbox "" "Installation has completed successfully."
press OK
absent #32770 * 1000
exit 0
EOF2

run_setup
expect_exit 0
expect_startmenu_item "Sample Tools" Tool
expect_startmenu_item "Sample Tools" "Set Up"
expect_startmenu_item "Sample Docs" Guide
[ ! -e "$(startmenu_dir)/Sample Tools/Guide.lnk" ] || fail "Guide went into the first group"
[ "$(ls "$(startmenu_dir)/Sample Tools" | wc -l)" = 2 ] || fail "extra entries in Sample Tools: $(ls "$(startmenu_dir)/Sample Tools")"

# What each link starts, read back through the shell link interface.
menu=$(winpath "$(startmenu_dir)")
(cd "$DIST" && "$WINE64" link_probe.exe "$menu\\Sample Tools\\Tool.lnk" "$menu\\Sample Tools\\Set Up.lnk" \
    "$menu\\Sample Docs\\Guide.lnk" >"$SCEN/links.txt" 2>&1) || fail "link_probe: $(cat "$SCEN/links.txt")"
expected=$(cat <<EOF2
$menu\\Sample Tools\\Tool.lnk: path=C:\\DEST\\tool.exe args=
$menu\\Sample Tools\\Set Up.lnk: path=C:\\DEST\\setup.exe args=
$menu\\Sample Docs\\Guide.lnk: path=C:\\DEST\\docs\\guide.exe args=
EOF2
)
found=$(tr -d '\r' <"$SCEN/links.txt")
[ "$found" = "$expected" ] || fail "links differ:$(diff <(echo "$expected") <(echo "$found"))"
