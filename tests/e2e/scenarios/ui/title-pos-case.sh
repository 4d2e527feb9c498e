#!/usr/bin/env bash
# "Title2Pos" "bottom" (lower case) is not "Bottom": the second title stays under the first; an empty first title draws nothing.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/pixels.inc"

TOP="60 0 0"
BOTTOM="200 60 60"
install_cfg <<EOF
Caption=Title position
Welcome=Where is the second title?
WelcomeCaption=Title position
TopColor=$TOP
BottomColor=$BOTTOM
NumGradientSteps=20
Title1=
Title2=Second line
Title2Color=0 255 0
TitleShadeColor=255 255 255
Title2Pos=bottom
EOF

dialogue <<'EOF'
window Install "Title position"
msgbox "Title position" "Where is the second title?"
shot screen
press No
exit 0
EOF

run_setup
expect_exit 0
probe_titles

# The first title is empty, so the second starts at H2/2 (20 points).
h2=$(title_height 20 "$DPI")
[ "$TITLE_0" = none ] || fail "the probe measured an empty first title"
read -r l1 top1 r1 b1 <<<"$TITLE_1"
[ "$top1" = $((h2 / 2)) ] || fail "second title's top $top1, expected $((h2 / 2))"

gradient=$(gradient_colors 20 "$TOP" "$BOTTOM")
expect_title_at screen 1 "0 255 0" "255 255 255" "$gradient"
# Nothing near the bottom, where "Bottom" would have put it.
expect_only_colors "bottom of the window" "$gradient" screen "$CLIENT_X" \
    $((CLIENT_Y + CLIENT_H - 3 * h2 / 2 - 6)) "$CLIENT_W" $((3 * h2 / 2 + 6))
