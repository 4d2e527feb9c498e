#!/usr/bin/env bash
# "NumGradientSteps" 0 gives one band: the whole window in the top colour.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/pixels.inc"

install_cfg <<'EOF'
Caption=One band
Welcome=Only the top colour?
WelcomeCaption=One band
TopColor=120 30 200
BottomColor=0 0 0
NumGradientSteps=0
Title1=
Title2=
EOF

dialogue <<'EOF'
window Install "One band"
msgbox "One band" "Only the top colour?"
shot screen
press No
exit 0
EOF

run_setup
expect_exit 0
probe_titles

top="120 30 200"
# Top and bottom strips over the full width, and both sides down the whole
# height, away from the box in the middle.
expect_only_colors "top strip" "$top" screen "$CLIENT_X" "$CLIENT_Y" "$CLIENT_W" 250
expect_only_colors "bottom strip" "$top" screen "$CLIENT_X" $((CLIENT_Y + CLIENT_H - 250)) "$CLIENT_W" 250
expect_only_colors "left side" "$top" screen "$CLIENT_X" "$CLIENT_Y" 200 "$CLIENT_H"
expect_only_colors "right side" "$top" screen $((CLIENT_X + CLIENT_W - 200)) "$CLIENT_Y" 200 "$CLIENT_H"
