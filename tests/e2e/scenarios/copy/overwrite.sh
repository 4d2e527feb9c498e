#!/usr/bin/env bash
# Copies carry the source's time stamp; a newer target is kept on No and replaced with "FileExistsWarn" N; an older or equally old one is replaced without a question; a missing source is reported and leaves out the success message.
. "$(dirname "$0")/../../lib.sh"

cfg() {
    install_cfg <<EOF2
Caption=Copy
DestPathPrompt=N
DefaultPath=C:\\COPY
DirExistsWarn=N
$1
[Disk1]
newer.txt==\$d
older.txt==\$d
same.txt==\$d
$2
EOF2
}
STAMP='2001-02-03 04:05:07 UTC'
for f in newer older same; do
    make_data "$DIST/$f.txt" 5000
    touch -d "$STAMP" "$DIST/$f.txt"
done
dest=$(hostpath 'C:\')/COPY
mkdir -p "$dest"
for f in newer older same; do echo "previous $f" >"$dest/$f.txt"; done
touch -d '2020-01-01 00:00:00 UTC' "$dest/newer.txt"
touch -d '1999-01-01 00:00:00 UTC' "$dest/older.txt"
touch -d '2001-02-03 04:05:06 UTC' "$dest/same.txt"

cfg "" ""
dialogue <<'EOF2'
window Install "Copy"
msgbox "File exists" "File \"C:\\COPY\\newer.txt\" already exists.\nOverwrite?"
press No
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2
run_setup
expect_exit 0
expect_file 'C:\COPY\newer.txt' "previous newer"$'\n'
expect_file_same 'C:\COPY\older.txt' "$DIST/older.txt"
expect_file_same 'C:\COPY\same.txt' "$DIST/same.txt"
# the DOS date and time keeps even seconds
want=$(date -d '2001-02-03 04:05:06 UTC' +%s)
for f in older same; do
    [ "$(stat -c %Y "$dest/$f.txt")" = "$want" ] || fail "$f.txt: time stamp $(stat -c %y "$dest/$f.txt")"
done

cfg "FileExistsWarn=N" "nothere.txt==\$d"
dialogue <<'EOF2'
window Install "Copy"
msgbox "File Error" "Cannot open D:\\nothere.txt"
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\COPY\newer.txt' "$DIST/newer.txt"
