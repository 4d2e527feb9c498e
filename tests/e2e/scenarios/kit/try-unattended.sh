#!/usr/bin/env bash
# setupkit try --unattended installs a three-floppy set from its disk folders with /S and /LOG=, answering nothing: every archived file compared equal, the copied file that was taken off disk 3 reported missing, the log's failure and outcome quoted, the log kept, status 1.
# timeout: 900 s
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/kit.inc"

# try keeps its template prefix in the cache: this run's template serves.
export XDG_CACHE_HOME=$SCEN/cache
mkdir -p "$XDG_CACHE_HOME/setupkit"
ln -s "$E2E_TEMPLATE" "$XDG_CACHE_HOME/setupkit/template"

make_tree
build_dist 720
[ -f "$OUT/disk3/README.TXT" ] || fail "README.TXT is not on disk 3"
rm "$OUT/disk3/README.TXT"
status=0
"$KIT" try "$OUT" --unattended >"$SCEN/try.log" 2>&1 || status=$?
cat "$SCEN/try.log"
[ "$status" = 1 ] || fail "setupkit try ended with status $status, expected 1"
grep -q '^setupkit try: unattended (/S), the 3 disk folders on drive D:$' "$SCEN/try.log" || fail "not run unattended"
grep -q '^setupkit try: destination C:\\KIT; the program ended with exit code 3$' "$SCEN/try.log" ||
    fail "no destination from the log, or not exit code 3"
grep -Eq '^setupkit try: compared 6 of the set.s 6 files \(0 differing, 0 sources changed since the build, 1 missing\)' "$SCEN/try.log" || fail "not exactly one file missing"
grep -q '^  missing: C:\\KIT\\README.TXT$' "$SCEN/try.log" || fail "README.TXT not reported missing"
grep -q '^  log: message "File Error": Cannot open D:\\DISK3\\README.TXT \[OK, unattended\]$' "$SCEN/try.log" ||
    fail "the log's failure is not quoted"
grep -q '^  log: end: not installed completely; exit code 3$' "$SCEN/try.log" || fail "the log's outcome is not quoted"
grep -q '^setupkit try: screenshots of the 0 dialogs answered' "$SCEN/try.log" || fail "a window waited for input"
tr -d '\r' <"$OUT/try/install.log" | grep -q '^disk 3 from D:\\DISK3$' || fail "no install log kept in $OUT/try"
