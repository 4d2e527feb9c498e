#!/usr/bin/env bash
# Windows 3.1, /S from the first of two floppies (shipped as folders on A:): the relaunched copy gets /S and /LOG= on its command line (over 99 characters with them), installs both disks, the second from the folder beside the first, and writes its lines into the same log.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/unattended.inc"

mkdir -p "$DIST/disk1" "$DIST/DISK2"
cp "$SETUP_EXE_BUILT" "$DIST/disk1/SETUP.EXE"
install_cfg disk1/SETUP.cfg <<'EOF2'
Caption=Relaunch
Welcome=Install the sample program?
DestPathPrompt=N
DefaultPath=C:\FLOPPY\UNATTENDED\INSTALLATION
[Disk1]
[Disk2]
EOF2
dist_file disk1/thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=2
d1.lzh=$d
EOF2
dist_file DISK2/thisdisk <<'EOF2'
DiskNumber=2
d2.lzh=$d
EOF2
D=$SCEN/data
make_data "$D/one.txt" 9000
make_data "$D/two.txt" 20000
make_lzh disk1/d1.lzh -lh5- one.txt "$D/one.txt"
make_lzh DISK2/d2.lzh -lh5- two.txt "$D/two.txt"
winver win31

dialogue <<'EOF2'
allow-exit
window Install "Relaunch"
answer
EOF2
LOGNAME_WIN='C:\logs of the unattended installation\relaunch.log'
mkdir -p "$WINEPREFIX/drive_c/logs of the unattended installation"
run_setup --floppy --cmd 'A:\disk1\SETUP.EXE' -- /S "/LOG=$LOGNAME_WIN"
expect_exit 0
expect_nothing_answered

# The copy goes on after the launching program has ended.
LOG="$WINEPREFIX/drive_c/logs of the unattended installation/relaunch.log"
for ((i = 0; i < 120; i++)); do
    [ -f "$LOG" ] && tr -d '\r' <"$LOG" | grep -q '^end: installed' && break
    sleep 1
done
expect_log "$LOG" '^relaunch: C:\\windows\\temp\\installc\.exe A:\\disk1 A:\\disk1\\SETUP\.EXE /S "/LOG=C:\\logs of the unattended installation\\relaunch\.log"$'
expect_log "$LOG" '^end: handed over to the relaunched copy; exit code 0$'
expect_log "$LOG" '^start C:\\windows\\temp\\installc\.exe .*; unattended$'
expect_log "$LOG" '^message "": Install the sample program\? \[Yes, unattended\]$'
expect_log "$LOG" '^disk 2 from A:\\DISK2$'
expect_log "$LOG" '^end: installed; exit code 0$'
expect_file_same 'C:\FLOPPY\UNATTENDED\INSTALLATION\one.txt' "$D/one.txt"
expect_file_same 'C:\FLOPPY\UNATTENDED\INSTALLATION\two.txt' "$D/two.txt"
