#!/usr/bin/env bash
# The group list goes out in file order, one command per line, each shown in the caption; "$p" resolved by association or left; too long entries (and a too long group's items) are left out, never cut, and each is told.
. "$(dirname "$0")/../../lib.sh"

long_group=$(printf 'g%.0s' $(seq 1009))
long_item=$(printf 'x%.0s' $(seq 500))
dist_file APP/groups.cfg <<EOF2
[Groups]
Group1=Tools
Item1=\$d\\tool.exe,Tool
group1=\$w\\notepad.exe,Lower-case key
Item2=\$p \$d\\notes.ini,Read Me
Item3=\$p "\$d\\data.xyz",Data
Item4=\$x\\a.exe \$p \$d\\notes.ini,First dollar
Group2=$long_group
Item5=\$d\\lost.exe,Lost
Group3=Docs
Item6=\$d\\$long_item.exe
Item7=\$d\\guide.exe,Guide
EOF2
dist_file APP/notes.ini <<<'read me'
dist_file APP/data.xyz <<<'data'
dist_copy "$E2E_BUILD/tests/e2e/groups_probe.exe"

g64=$(printf 'g%.0s' $(seq 64))
x61=$(printf 'x%.0s' $(seq 61))
dialogue <<EOF2
window GroupsProbe "Groups probe"
msgbox "Error" "Program Manager group \"$g64...\" not created:\nits command is too long."
press OK
msgbox "Error" "Program Manager item \"\$d\\\\lost.exe,Lost\" not created:\nits group was not created."
press OK
msgbox "Error" "Program Manager item \"\$d\\\\$x61...\" not created:\nits command is too long."
press OK
absent #32770 * 500
window GroupsProbe "Groups probe"
close
exit 0
EOF2

run_setup --cmd 'D:\groups_probe.exe' --cwd 'D:\APP' -- record
expect_exit 0
notepad='C:\windows\system32\notepad.exe'
expected=$(cat <<EOF2
initialize [flags=0x3F000 callback=yes] caption=[Groups probe]
string [PROGMAN codepage=1004] caption=[Groups probe]
connect [PROGMAN/PROGMAN] caption=[Groups probe]
free string [] caption=[Groups probe]
execute [[CreateGroup([Groups])]] caption=[[CreateGroup([Groups])]]
execute [[CreateGroup(Tools)]] caption=[[CreateGroup(Tools)]]
execute [[AddItem(D:\\APP\\tool.exe,Tool)]] caption=[[AddItem(D:\\APP\\tool.exe,Tool)]]
execute [[AddItem(C:\\windows\\notepad.exe,Lower-case key)]] caption=[[AddItem(C:\\windows\\notepad.exe,Lower-case key)]]
execute [[AddItem($notepad D:\\APP\\notes.ini,Read Me)]] caption=[[AddItem($notepad D:\\APP\\notes.ini,Read Me)]]
execute [[AddItem(\$p "D:\\APP\\data.xyz",Data)]] caption=[[AddItem(\$p "D:\\APP\\data.xyz",Data)]]
execute [[AddItem(\$x\\a.exe \$p D:\\APP\\notes.ini,First dollar)]] caption=[[AddItem(\$x\\a.exe \$p D:\\APP\\notes.ini,First dollar)]]
execute [[CreateGroup(Docs)]] caption=[[CreateGroup(Docs)]]
execute [[AddItem(D:\\APP\\guide.exe,Guide)]] caption=[[AddItem(D:\\APP\\guide.exe,Guide)]]
disconnect [] caption=[[AddItem(D:\\APP\\guide.exe,Guide)]]
uninitialize [] caption=[[AddItem(D:\\APP\\guide.exe,Guide)]]
done [] caption=[Groups probe]
EOF2
)
found=$(tr -d '\r' <"$WAUTO_LOG" | grep -E '^(initialize|string|connect|free string|execute|data handle|disconnect|uninitialize|done) ' | grep -v '^free data')
[ "$found" = "$expected" ] || fail "calls differ:$(diff <(echo "$expected") <(echo "$found"))"
[ "$(tr -d '\r' <"$WAUTO_LOG" | grep -c '^free data ')" = 9 ] || fail "expected one freed data handle per command"
