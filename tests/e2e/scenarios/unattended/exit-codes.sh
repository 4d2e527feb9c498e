#!/usr/bin/env bash
# /S reaches each exit code, nothing waiting for input: 2 the source folder as destination (nothing written; the welcome question answered Yes), 3 an archive missing (/D= taken over "DefaultPath", a missing destination created, a newer file kept, "Exec" not run), 4 a disk not found, 5 a restart asked for, 1 a damaged archive; every box goes to the log with its answer.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/unattended.inc"

make_data "$SCEN/a.txt" 7000
make_lzh a.lzh -lh5- a.txt "$SCEN/a.txt"
printf 'old\r\n' >"$DIST/old.txt"
touch -d '2001-01-01' "$DIST/old.txt"

# 2: a destination that is the source folder stops before anything is
# written (interactively the dialog would ask again).
install_cfg <<'EOF2'
Caption=Codes
Welcome=Install the sample program?
WelcomeCaption=Welcome
DefaultPath=D:
[Disk1]
a.lzh=$d
EOF2
unattended_dialogue Codes
run_setup -- /S '/LOG=C:\ec2.log'
expect_exit 2
expect_nothing_answered
[ ! -e "$DIST/a.txt" ] || fail "a.txt was unpacked into the source folder"
LOG=$(hostpath 'C:\ec2.log')
expect_log "$LOG" '^message "Welcome": Install the sample program\? \[Yes, unattended\]$'
expect_log "$LOG" '^message "Error": Cannot install in current directory \[OK, unattended\]$'
expect_no_log "$LOG" '^destination'
expect_log "$LOG" '^end: stopped before anything was written; exit code 2$'

# 3: an archive missing is counted and the rest goes on; the newer file
# already installed stays; /D= replaces "DefaultPath" and is created.
mkdir -p "$(hostpath 'C:\')/KEEP"
printf 'newer\r\n' >"$(hostpath 'C:\KEEP')/old.txt"
touch -d '2030-01-01' "$(hostpath 'C:\KEEP')/old.txt"
install_cfg <<'EOF2'
Caption=Codes
DefaultPath=C:\NOTHERE
DirNotFoundWarn=Y
Exec=$d\a.txt
[Disk1]
missing.lzh=$d
a.lzh=$d
old.txt==C:\KEEP
EOF2
unattended_dialogue Codes
run_setup -- '/D=C:\EC3' /s '/LOG=C:\ec3.log'
expect_exit 3
expect_nothing_answered
expect_no_file 'C:\NOTHERE'
expect_file_same 'C:\EC3\a.txt' "$SCEN/a.txt"
expect_file 'C:\KEEP\old.txt' $'newer\r\n'
LOG=$(hostpath 'C:\ec3.log')
expect_log "$LOG" '^message "Directory not found": Directory "C:\\EC3" not found\. Continue anyway\? \[Yes, unattended\]$'
expect_log "$LOG" '^destination C:\\EC3$'
expect_log "$LOG" '^message "Error": Archive "D:\\missing\.lzh" not found\. Continue installation\? \[Yes, unattended\]$'
expect_log "$LOG" '^file C:\\EC3\\a\.txt 7000 bytes; CRC [0-9A-F]{4} checked$'
expect_log "$LOG" '^message "File exists": File "C:\\KEEP\\old\.txt" already exists\. Overwrite\? \[No, unattended\]$'
expect_log "$LOG" '^kept C:\\KEEP\\old\.txt: newer than the file to install$'
expect_log "$LOG" '^not run \(unattended\): \$d\\a\.txt$'
expect_log "$LOG" '^end: not installed completely; exit code 3$'

# 4: disk 2 is neither in the drive nor in a folder beside the first disk.
install_cfg <<'EOF2'
Caption=Codes
DefaultPath=C:\EC4
EOF2
dist_file thisdisk <<'EOF2'
DiskNumber=1
NextDiskNumber=2
a.lzh=$d
EOF2
unattended_dialogue Codes
run_setup -- /S '/LOG=C:\ec4.log'
expect_exit 4
expect_nothing_answered
expect_file_same 'C:\EC4\a.txt' "$SCEN/a.txt"
LOG=$(hostpath 'C:\ec4.log')
expect_log "$LOG" '^disk 1 from D:\\?$'
expect_log "$LOG" '^message "Next Disk": Please insert disk 2 \[Cancel, unattended\]$'
expect_log "$LOG" '^end: stopped at a disk that could not be found; exit code 4$'
rm "$DIST/thisdisk"

# 5: installed, and the script asks for a restart, which is not done.
install_cfg <<'EOF2'
Caption=Codes
DefaultPath=C:\EC5
RestartWindows=Y
[Disk1]
a.lzh=$d
EOF2
unattended_dialogue Codes
run_setup -- /S '/LOG=C:\ec5.log'
expect_exit 5
expect_nothing_answered
expect_file_same 'C:\EC5\a.txt' "$SCEN/a.txt"
LOG=$(hostpath 'C:\ec5.log')
expect_log "$LOG" '^message "": Installation has completed successfully\. \[OK, unattended\]$'
expect_log "$LOG" '^message "": Restart Windows now\? \[No, unattended\]$'
expect_log "$LOG" '^end: installed; the script asks for a restart; exit code 5$'

# 1: a damaged archive ends the program at once, its message in the log.
make_data "$SCEN/b.txt" 5000 binary
make_lzh "$SCEN/whole.lzh" -lh0- b.txt "$SCEN/b.txt"
head -c 1000 "$SCEN/whole.lzh" >"$DIST/bad.lzh"
install_cfg <<'EOF2'
Caption=Codes
DefaultPath=C:\EC1
[Disk1]
bad.lzh=$d
EOF2
unattended_dialogue Codes
run_setup -- /S '/LOG=C:\ec1.log'
expect_exit 1
expect_nothing_answered
expect_stderr "Can't read"
LOG=$(hostpath 'C:\ec1.log')
expect_crlf_log "$LOG"
expect_log "$LOG" '^message "Error": Can.t read  Archive: D:\\bad\.lzh File: b\.txt \[OK, unattended\]$'
expect_log "$LOG" '^end: damaged archive; exit code 1$'
