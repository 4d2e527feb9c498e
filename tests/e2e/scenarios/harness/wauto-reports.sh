#!/usr/bin/env bash
# wauto reports a wrong dialogue plainly and quickly: the line, what was expected, what is on the screen; a global timeout ends a stuck dialogue.
. "$(dirname "$0")/../../lib.sh"

install_cfg <<'EOF2'
Caption=Harness
Welcome=Do you want to go on?
WelcomeCaption=Welcome
EOF2

# Runs the program with the dialogue on stdin; the dialogue must fail, the
# report saying WANT, at most SECONDS after the failing line began (by wauto's
# clock: the program's own start-up, slow when emulated on a loaded machine,
# does not count). The report is left in $OUT.
OUT=$SCEN/report.txt
failing_dialogue() {
    local want=$1 seconds=$2 status=0 line began ended
    shift 2
    dialogue
    ( run_setup "$@" ) >"$OUT" 2>&1 || status=$?
    [ "$status" -ne 0 ] || { cat "$OUT"; fail "the dialogue passed, expected it to fail"; }
    grep -q "$want" "$OUT" || { cat "$OUT"; fail "the report does not say: $want"; }
    line=$(sed -n 's/.*FAIL at dialogue line \([0-9]*\):.*/\1/p' "$OUT" | head -n 1)
    [ -n "$line" ] || return 0
    began=$(awk -v n="$line" '$2 ~ /^[0-9.]+$/ && $3 == n { print $2; exit }' "$OUT")
    # A line wauto cannot read fails before it begins.
    [ -n "$began" ] || return 0
    ended=$(sed -n 's/.*(\([0-9.]*\) s after the start).*/\1/p' "$OUT" | head -n 1)
    awk -v a="$began" -v b="$ended" -v s="$seconds" 'BEGIN { exit !(b != "" && b - a <= s) }' ||
        { cat "$OUT"; fail "the failure came $began s to $ended s after the start, more than $seconds s after its line began"; }
}

report_has() {
    grep -qF -- "$1" "$OUT" || { cat "$OUT"; fail "the report lacks: $1"; }
}

# A wrong text: the line, the expectation and the box on the screen with its
# text. (The box is awaited first, here and below, for up to 60 s: the
# program's start-up takes seconds when it runs emulated, more under load.)
failing_dialogue "the dialogue failed" 4 <<'EOF2'
msgbox "Welcome" * 60000
msgbox "Welcome" "Do you want to stop?" 1500
EOF2
report_has 'FAIL at dialogue line 2: msgbox "Welcome" "Do you want to stop?" 1500'
report_has 'no message box with caption "Welcome" and text "Do you want to stop?" appeared within 1500 ms'
report_has '#32770 "Welcome" pid'
report_has 'id 65535 Static "Do you want to go on?"'
report_has 'Install "Harness" pid'

# The program ends while a window is awaited: reported at once, not after the
# 30 s wait.
failing_dialogue "the dialogue failed" 10 <<'EOF2'
msgbox "Welcome" "Do you want to go on?" 60000
press No
dialog "Destination" 30000
EOF2
report_has 'the program ended (exit code 0) before the window appeared'

# A new window during "absent" is caught.
failing_dialogue "the dialogue failed" 20 <<'EOF2'
msgbox "Welcome" "Do you want to go on?" 60000
press Yes
absent #32770 * 5000
EOF2
report_has 'expected no new window, found #32770 "Destination"'

# A wrong exit code, and a line wauto cannot read.
failing_dialogue "the dialogue failed" 20 <<'EOF2'
msgbox "Welcome" "Do you want to go on?" 60000
press No
exit 3
EOF2
report_has 'expected exit code 3, found 0'
failing_dialogue "the dialogue failed" 20 <<'EOF2'
window Install "Harness
EOF2
report_has 'cannot read the line: unclosed quote'

# A stuck dialogue ends at the global timeout, with the program ended too.
failing_dialogue "global timeout of the dialogue" 0 --timeout 40 <<'EOF2'
msgbox "Welcome" "Do you want to go on?" 30000
sleep 60000
EOF2
report_has 'FAIL: global timeout after 40.0 s, at dialogue line 2: sleep 60000'
