#!/usr/bin/env bash
# A copy onto itself named through the folder's 8.3 short name (as the system makes it) is skipped: the file keeps its bytes, no "Cannot read" box, the success message shows.
. "$(dirname "$0")/../../lib.sh"

# The folder must exist for the system to give its short name.
mkdir -p "$(hostpath 'C:\')/LongFolderName"
e2e_server
SHORT=$("$WINE64" "$E2E_BUILD/tests/e2e/short_name_probe.exe" 'C:\LongFolderName' 2>/dev/null | tr -d '\r')
case $SHORT in
    'C:\LongFolderName' | '' | *' '*) fail "no short name for C:\\LongFolderName (got '$SHORT')" ;;
esac
install_cfg <<EOF2
Caption=Short Name
DestPathPrompt=N
DirExistsWarn=N
DefaultPath=C:\\LongFolderName
[Disk1]
a.lzh=\$d
SrcDir=\$d
A1.TXT==$SHORT
A2.TXT==$SHORT\\A2.TXT
EOF2
make_data "$SCEN/A1.TXT" 3000
make_data "$SCEN/A2.TXT" 1500
make_lzh a.lzh -lh5- A1.TXT "$SCEN/A1.TXT" -lh0- A2.TXT "$SCEN/A2.TXT"

dialogue <<'EOF2'
window Install "Short Name"
msgbox "" "Installation has completed successfully."
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\LongFolderName\A1.TXT' "$SCEN/A1.TXT"
expect_file_same 'C:\LongFolderName\A2.TXT' "$SCEN/A2.TXT"
