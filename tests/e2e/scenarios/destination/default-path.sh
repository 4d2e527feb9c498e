#!/usr/bin/env bash
# "DefaultPath" accepted with OK is created with its parents, made current and stored as the system reports it.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

install_cfg <<'EOF2'
Caption=Destination
ProgramName=Sample Program
DefaultPath=C:\Apps\.\Sample\bin
Exec=$s\marker.exe [$d]
[Disk1]
readme.txt==$d
EOF2
dist_file readme.txt <<<'read me'

dialogue <<'EOF2'
window Install "Destination"
dialog "Destination"
text 102 "Sample Program"
text 327 "will be installed in:"
text 101 "C:\\Apps\\.\\Sample\\bin"
press OK
msgbox "" "Installation has completed successfully."
press OK
exit 0
EOF2

run_setup
expect_exit 0
expect_dir 'C:\Apps\Sample\bin'
# Stored as the system reports the current directory: without the ".".
expect_marker 'C:\Apps\Sample\bin' 'C:\Apps\Sample\bin'
