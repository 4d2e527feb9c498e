#!/usr/bin/env bash
# A tree of a few megabytes packed by setupkit onto 720 KB floppies (three or more, a file split over two) installs with a disk change per disk; every file equals its source; the images list each disk's files.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/kit.inc"

make_tree
build_dist 720
disks=$(ls -d "$OUT"/disk[0-9]* | grep -c '/disk[0-9]*$')
[ "$disks" -ge 3 ] || fail "$disks disks, wanted at least 3"
grep -aq '<cm+>\|<st+>' "$OUT"/disk2/*.LZH || fail "no continuation member on disk 2"
for ((k = 1; k <= disks; k++)); do
    listed=$(mdir -b -i "$OUT/disk$k.img" :: | sed 's|^::/||' | tr 'a-z' 'A-Z' | sort)
    [ "$listed" = "$(ls "$OUT/disk$k" | tr 'a-z' 'A-Z' | sort)" ] || fail "disk$k.img lists: $listed"
done

# Disk 1 is the distribution folder on A:, the others are inserted in turn.
for f in "$OUT"/disk1/*; do dist_copy "$f"; done
for ((k = 2; k <= disks; k++)); do cp -r "$OUT/disk$k" "$SCEN/DISK$k"; done
{
    echo 'window Install "Kit Setup"'
    for ((k = 2; k <= disks; k++)); do
        echo "msgbox \"Next Disk\" \"Please insert disk $k\" 60000"
        echo "host floppy_change DISK$k"
        echo 'press OK'
    done
    echo 'msgbox "" "Installation has completed successfully." 60000'
    echo 'press OK'
    echo 'exit 0'
} | dialogue

run_setup --floppy --timeout 180
expect_exit 0
expect_tree_installed
