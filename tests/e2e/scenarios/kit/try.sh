#!/usr/bin/env bash
# setupkit try installs headless a set of 720 KB floppies made from 1100 files with 1252 names, empty folders and a file larger than a disk: every disk changed when asked (a wrong disk first), every file equal, the report's counts, a screenshot per answered dialog.
# timeout: 900 s
. "$(dirname "$0")/../../lib.sh"

KIT=$E2E_ROOT/build/native/tools/setupkit
SRC=$SCEN/src
OUT=$SCEN/out
# try keeps its template prefix in the cache: this run's template serves.
export XDG_CACHE_HOME=$SCEN/cache
mkdir -p "$XDG_CACHE_HOME/setupkit"
ln -s "$E2E_TEMPLATE" "$XDG_CACHE_HOME/setupkit/template"

names=(café naïve Ärger smørrebrød façade €uro Über élan)
mkdir -p "$SRC/many"
for ((i = 0; i < 1100; i++)); do
    printf 'file %d of a large folder\r\n' "$i" >"$SRC/many/${names[i % 8]} $i.txt"
done
mkdir -p "$SRC/many/leer" "$SRC/many/Straße/tiefer/leer"
make_data "$SRC/big/BIG.BIN" 900000 binary
e2e_write_crlf "$SRC/setup.cfg" <<'EOF2'
Caption=Try Setup
Welcome=Install the large folder?
WelcomeCaption=Welcome
DefaultPath=C:\TRY
EOF2
cat >"$SRC/try.dist" <<EOF2
Setup=$SETUP_EXE_BUILT
Script=setup.cfg
Archive=MANY.LZH many \$d
Archive=BIG.LZH big \$d\\BIG
EOF2
"$KIT" build "$SRC/try.dist" "$OUT" --medium 720 --images >"$SCEN/kit.log" 2>&1 || fail "setupkit build: $(cat "$SCEN/kit.log")"
sed 's/^/  kit: /' "$SCEN/kit.log"
disks=$(ls -d "$OUT"/disk[0-9]* | grep -c '/disk[0-9]*$')
[ "$disks" -ge 2 ] || fail "$disks disks, wanted at least 2"

# The destination is given by an answer rule.
cat >"$SCEN/answers" <<'EOF2'
on "Destination" * type 101 "C:\\TRY\\HIER" press OK
EOF2
status=0
"$KIT" try "$OUT" --answers "$SCEN/answers" >"$SCEN/try.log" 2>&1 || status=$?
cat "$SCEN/try.log"
[ "$status" = 0 ] || fail "setupkit try ended with status $status"
grep -qx "setupkit try: compared 1101 of the set's 1101 files (0 differing, 0 sources changed since the build, 0 missing) and 2 of its 2 empty folders (0 missing); 0 profile entries written, 0 missing; groups created: none" \
    "$SCEN/try.log" || fail "the summary does not count 1101 files and 2 empty folders"
grep -q 'destination C:\\TRY\\HIER;' "$SCEN/try.log" || fail "the destination of the answer rule was not used"
grep -q "disk 2 asked for: the wrong disk (disk1) left in the drive" "$SCEN/try.log" || fail "no wrong disk shown"
for ((k = 2; k <= disks; k++)); do
    grep -q "disk $k asked for: disk$k inserted" "$SCEN/try.log" || fail "disk $k was not inserted"
done
# Welcome, destination, disk 2 twice, the later disks, completion.
shots=$(ls "$OUT"/try/answer*.png | wc -l)
[ "$shots" -eq $((disks + 3)) ] || fail "$shots screenshots, expected $((disks + 3))"
