#!/usr/bin/env bash
# Cancel pressed on the unpack dialog while an unowned question is up ("Archive ... not found" of a double archive, "File exists"), then Yes: nothing more of the entry is done, nothing more is asked or extracted, "Installation Aborted." follows, no crash.
. "$(dirname "$0")/../../lib.sh"

cfg() {
    install_cfg <<EOF2
Caption=Cancel Question
DestPathPrompt=N
DefaultPath=C:\\CQ
DirExistsWarn=N
[Disk1]
$1
after.lzh=\$d
EOF2
}
dist_file win.ini <<'EOF2'
[CancelQuestion]
Dir=$d
EOF2
make_data "$SCEN/after.txt" 3000
make_lzh after.lzh -lh5- after.txt "$SCEN/after.txt"

# A double archive whose outer archive is missing: after Cancel the answer
# Yes must not lead to the inner archive (named from the entry's key).
cfg 'outer.lzh=@$d'
dialogue <<'EOF2'
window Install "Cancel Question"
msgbox "Error" "Archive \"D:\\outer.lzh\" not found.\nContinue installation?"
dialog "Disk 1"
press Cancel
gone
msgbox "Error" "Archive \"D:\\outer.lzh\" not found.\nContinue installation?"
press Yes
msgbox "Error" "Installation Aborted."
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_no_file 'C:\CQ\after.txt'
expect_no_ini_key win.ini CancelQuestion Dir

# A copy asking whether to overwrite a newer file: after Cancel the answer
# Yes must not copy it.
make_data "$DIST/old.txt" 2000
touch -d '2001-02-03 04:05:06 UTC' "$DIST/old.txt"
dest=$(hostpath 'C:\')/CQ
echo "mine" >"$dest/old.txt"
touch -d '2020-01-01 00:00:00 UTC' "$dest/old.txt"
cfg 'old.txt==$d'
dialogue <<'EOF2'
window Install "Cancel Question"
msgbox "File exists" "File \"C:\\CQ\\old.txt\" already exists.\nOverwrite?"
dialog "Disk 1"
press Cancel
gone
msgbox "File exists" ~"old.txt"
press Yes
msgbox "Error" "Installation Aborted."
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file 'C:\CQ\old.txt' "mine"$'\n'
expect_no_file 'C:\CQ\after.txt'
expect_no_ini_key win.ini CancelQuestion Dir
