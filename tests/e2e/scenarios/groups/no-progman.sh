#!/usr/bin/env bash
# No Program Manager answers: nothing is sent, the link is closed, "DDE to Program Manager failed" once; a command that cannot be handed over stops the rest with the same message.
. "$(dirname "$0")/../../lib.sh"

dist_file APP/groups.cfg <<'EOF2'
Group1=Tools
Item1=$d\tool.exe,Tool
Group2=Docs
EOF2
dist_copy "$E2E_BUILD/tests/e2e/groups_probe.exe"

dialogue <<'EOF2'
window GroupsProbe "Groups probe"
msgbox "Error" "DDE to Program Manager failed"
press OK
absent #32770 * 500
window GroupsProbe "Groups probe"
close
exit 0
EOF2

# The probe's calls, without the freed handles.
calls() {
    tr -d '\r' <"$WAUTO_LOG" | grep -E '^(connect|execute|data handle|disconnect|uninitialize|done) '
}

run_setup --cmd 'D:\groups_probe.exe' --cwd 'D:\APP' -- noserver
expect_exit 0
expected=$(cat <<'EOF2'
connect [PROGMAN/PROGMAN] caption=[Groups probe]
uninitialize [] caption=[Groups probe]
done [] caption=[Groups probe]
EOF2
)
[ "$(calls)" = "$expected" ] || fail "calls differ:$(diff <(echo "$expected") <(calls))"

run_setup --cmd 'D:\groups_probe.exe' --cwd 'D:\APP' -- nodata 2
expect_exit 0
expected=$(cat <<'EOF2'
connect [PROGMAN/PROGMAN] caption=[Groups probe]
execute [[CreateGroup(Tools)]] caption=[[CreateGroup(Tools)]]
data handle refused [[AddItem(D:\APP\tool.exe,Tool)]] caption=[[AddItem(D:\APP\tool.exe,Tool)]]
disconnect [] caption=[[AddItem(D:\APP\tool.exe,Tool)]]
uninitialize [] caption=[[AddItem(D:\APP\tool.exe,Tool)]]
done [] caption=[Groups probe]
EOF2
)
[ "$(calls)" = "$expected" ] || fail "calls differ:$(diff <(echo "$expected") <(calls))"
