#!/usr/bin/env bash
# A copy whose source is its own target (after "SrcDir=$d": one file, and "." for the whole folder, in another spelling) is skipped: no "Cannot read" box, the files keep their bytes, and the success message shows.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Onto Itself
DestPathPrompt=N
DefaultPath=C:\HS
[Disk1]
a.lzh=$d
SrcDir=$d
A1.TXT==$d
.==c:\hs\..\HS
EOF2
make_data "$SCEN/A1.TXT" 3000
make_data "$SCEN/A2.TXT" 1500
make_lzh a.lzh -lh5- A1.TXT "$SCEN/A1.TXT" -lh0- A2.TXT "$SCEN/A2.TXT"

dialogue <<'EOF2'
window Install "Onto Itself"
msgbox "" "Installation has completed successfully."
press OK
absent * * 1000
exit 0
EOF2
run_setup
expect_exit 0
expect_file_same 'C:\HS\A1.TXT' "$SCEN/A1.TXT"
expect_file_same 'C:\HS\A2.TXT' "$SCEN/A2.TXT"
