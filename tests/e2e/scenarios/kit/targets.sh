#!/usr/bin/env bash
# Copies and profile entries land where the description means, whatever the destination: a copy into a target with a dot and into a destination with a dot keeps its name inside the folder, a profile target without a dot is the profile file; setupkit try agrees and does not ask for the entries before the source's first section.
# timeout: 600 s
. "$(dirname "$0")/../../lib.sh"

KIT=$E2E_ROOT/build/native/tools/setupkit
SRC=$SCEN/src
OUT=$SCEN/out
export XDG_CACHE_HOME=$SCEN/cache
mkdir -p "$XDG_CACHE_HOME/setupkit"
ln -s "$E2E_TEMPLATE" "$XDG_CACHE_HOME/setupkit/template"

make_data "$SRC/README.TXT" 3000
make_data "$SRC/LICENSE" 1500
make_data "$SRC/app/prog.txt" 5000
e2e_write_crlf "$SRC/kit.ini" <<'EOF2'
Before=the first header
[Kit]
Installed=$d
EOF2
e2e_write_crlf "$SRC/setup.cfg" <<'EOF2'
Caption=Targets Setup
DestPathPrompt=N
DefaultPath=C:\KIT.V2
EOF2
cat >"$SRC/t.dist" <<EOF2
Setup=$SETUP_EXE_BUILT
Script=setup.cfg
Archive=APP.LZH app \$d\\app
Copy=README.TXT \$d\\v1.0
Copy=LICENSE \$d
Profile=kit.ini C:\\CONF\\settings
EOF2
"$KIT" build "$SRC/t.dist" "$OUT" >"$SCEN/kit.log" 2>&1 || fail "setupkit build: $(cat "$SCEN/kit.log")"
for f in "$OUT"/disk1/*; do dist_copy "$f"; done

dialogue <<'EOF2'
window Install "Targets Setup"
dialog "Disk 1" 30000
gone 60000
msgbox "" "Installation has completed successfully." 60000
press OK
exit 0
EOF2
run_setup --timeout 120
expect_exit 0
expect_file_same 'C:\KIT.V2\v1.0\README.TXT' "$SRC/README.TXT"
expect_file_same 'C:\KIT.V2\LICENSE' "$SRC/LICENSE"
expect_file_same 'C:\KIT.V2\app\prog.txt' "$SRC/app/prog.txt"
expect_ini_value 'C:\CONF\settings' Kit Installed 'C:\KIT.V2'

status=0
"$KIT" try "$OUT" >"$SCEN/try.log" 2>&1 || status=$?
cat "$SCEN/try.log"
[ "$status" = 0 ] || fail "setupkit try ended with status $status"
grep -q "1 profile entries written, 0 missing" "$SCEN/try.log" || fail "try did not count the one profile entry"
