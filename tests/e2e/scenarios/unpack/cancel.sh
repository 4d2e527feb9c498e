#!/usr/bin/env bash
# Cancel while a large archive is being extracted: the member under way is finished, the rest is not written, "Installation Aborted." follows and no profile entries are written.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Cancel
DestPathPrompt=N
DefaultPath=C:\CANCEL
[Disk1]
big.lzh=$d
after.txt==$d
EOF2
dist_file win.ini <<'EOF2'
[Cancel]
Dir=$d
EOF2
make_data "$SCEN/member.txt" 262144
make_data "$DIST/after.txt" 100
(cd "$SCEN" && jlha c1o5q packed.lzh member.txt >/dev/null)
members=()
for i in $(seq -w 1 160); do members+=(-lh5- "m$i.txt" "$SCEN/packed.lzh:0"); done
python3 "$E2E_ROOT/tests/data/archive/mkfixture.py" "$DIST/big.lzh" "${members[@]}"

dialogue <<'EOF2'
window Install "Cancel"
dialog "Disk 1"
press Cancel
msgbox "Error" "Installation Aborted."
press OK
exit 0
EOF2

run_setup
expect_exit 0
dest=$(hostpath 'C:\CANCEL')
written=$(ls "$dest" | grep -c '^m' || true)
[ "$written" -ge 1 ] && [ "$written" -lt 160 ] || fail "expected some but not all members, found $written"
for f in "$dest"/m*.txt; do cmp -s "$f" "$SCEN/member.txt" || fail "$(basename "$f") is not complete"; done
expect_no_file 'C:\CANCEL\after.txt'
expect_no_ini_key win.ini Cancel Dir
