#!/usr/bin/env bash
# /S with a relative /LOG=: a three-disk set in disk1/..disk3/ folders (as the kit writes it) installs from D:\disk1 with no window waiting for input, finds disks 2 and 3 in the sibling folders, exits 0, and its log (CR LF) lists every file with its size and each disk.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/../kit/kit.inc"
. "$(dirname "$0")/unattended.inc"

make_tree
build_dist 720
disks=$(ls -d "$OUT"/disk[0-9]* | grep -c '/disk[0-9]*$')
[ "$disks" -ge 3 ] || fail "$disks disks, wanted at least 3"
for ((k = 1; k <= disks; k++)); do cp -r "$OUT/disk$k" "$DIST/disk$k"; done

unattended_dialogue "Kit Setup"
# Started from D:\, so the relative log lands in D:\.
run_setup --cmd 'D:\disk1\SETUP.EXE' --timeout 240 -- /S /LOG=setup.log
expect_exit 0
expect_nothing_answered
expect_tree_installed

LOG=$DIST/setup.log
expect_crlf_log "$LOG"
expect_log "$LOG" '^start D:\\disk1\\SETUP\.EXE version .*; command line: .*/S /LOG=setup\.log.*; unattended$'
expect_log "$LOG" '^destination C:\\KIT$'
for ((k = 1; k <= disks; k++)); do
    expect_log "$LOG" "^disk $k from D:\\\\(disk|DISK)$k\$"
done
# Every installed file with its size (a file split over two disks: its
# parts add up to it).
while read -r f; do
    host="$SRC/app/$f"
    win="C:\\KIT\\${f//\//\\}"
    size=$(stat -c %s "$host")
    logged=$(tr -d '\r' <"$LOG" | grep -E "^file $(literal "$win") [0-9]+ bytes" |
        sed -E 's/^file .* ([0-9]+) bytes.*/\1/' | awk '{ s += $1 } END { if (NR) print s }')
    [ "$logged" = "$size" ] || fail "$win: $size bytes, the log says ${logged:-nothing}"
done < <(cd "$SRC/app" && find . -type f | sed 's|^\./||')
while read -r f; do
    win="C:\\KIT\\DATA\\${f//\//\\}"
    expect_log "$LOG" "^file $(literal "$win") [0-9]+ bytes"
done < <(cd "$SRC/data" && find . -type f | sed 's|^\./||')
expect_log "$LOG" "^file C:\\\\KIT\\\\README\\.TXT 2000 bytes; copied from "
expect_log "$LOG" '^profile C:\\KIT\\KIT\.INI \[Kit\] Installed=C:\\KIT$'
expect_log "$LOG" 'CRC [0-9A-F]{4} checked$'
expect_log "$LOG" '^end: installed; exit code 0$'
