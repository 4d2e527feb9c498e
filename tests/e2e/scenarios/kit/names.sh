#!/usr/bin/env bash
# Names an author's folder may hold, packed by setupkit for one medium: a name outside ASCII (written in code page 1252) installs under its own name, long names with blanks in a quoted source folder install as they are, so do names beginning with a dot (a .htaccess file, a .config folder), and an empty folder is created; the UTF-8 script's caption shows in code page 1252.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/kit.inc"

kit_data "$SRC/My Program/Résumé.txt" 3000
kit_data "$SRC/My Program/Café Menu/Long File Name With Blanks.txt" 5000
kit_data "$SRC/My Program/BIN/TOOL.BIN" 20000 binary
kit_data "$SRC/My Program/.htaccess" 40
kit_data "$SRC/My Program/.config/settings.ini" 300
mkdir -p "$SRC/My Program/EMPTY/INNER"
e2e_write_crlf "$SRC/setup.cfg" <<'EOF2'
Caption=Café Setup
DestPathPrompt=N
DefaultPath=C:\NAMES
EOF2
cat >"$SRC/kit.dist" <<EOF2
Setup=$SETUP_EXE_BUILT
Script=setup.cfg
Archive=prog.lzh "My Program" \$d\\Program Files
EOF2
build_dist single
grep -aq "R"$'\xe9'"sum"$'\xe9'".txt" "$OUT/disk1/PROG.LZH" || fail "Résumé.txt is not written in code page 1252"
for f in "$OUT"/disk1/*; do dist_copy "$f"; done

# The author wrote UTF-8; the window shows the caption's 1252 bytes.
grep -aq "^Caption=Caf"$'\xe9'" Setup" "$OUT/disk1/install.cfg" || fail "the caption is not in code page 1252"
{ printf 'window Install "Caf\xe9 Setup"\n'; cat; } <<'EOF2' | dialogue
msgbox "" "Installation has completed successfully." 60000
press OK
exit 0
EOF2

run_setup --timeout 120
expect_exit 0
expect_file_same 'C:\NAMES\Program Files\Résumé.txt' "$SRC/My Program/Résumé.txt"
expect_file_same 'C:\NAMES\Program Files\Café Menu\Long File Name With Blanks.txt' \
    "$SRC/My Program/Café Menu/Long File Name With Blanks.txt"
expect_file_same 'C:\NAMES\Program Files\BIN\TOOL.BIN' "$SRC/My Program/BIN/TOOL.BIN"
expect_file_same 'C:\NAMES\Program Files\.htaccess' "$SRC/My Program/.htaccess"
expect_file_same 'C:\NAMES\Program Files\.config\settings.ini' "$SRC/My Program/.config/settings.ini"
expect_dir 'C:\NAMES\Program Files\EMPTY\INNER'
