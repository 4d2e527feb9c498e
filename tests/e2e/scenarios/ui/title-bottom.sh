#!/usr/bin/env bash
# "Title2Pos" "Bottom" puts the second title 3*H2/2 above the client bottom, in the script's colours, typeface and sizes; nothing stays under the first.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/pixels.inc"

TOP="10 20 90"
BOTTOM="90 150 250"
install_cfg <<EOF
Caption=Sample Setup
Welcome=Install the Sample Program?
WelcomeCaption=Welcome
TopColor=$TOP
BottomColor=$BOTTOM
NumGradientSteps=48
Title1=Sample Program 2.0
Title1Size=36
Title1Color=255 255 255
Title2=Setup
Title2Size=24
Title2Color=255 200 0
TitleShadeColor=0 0 40
TitleFont=Arial
Title2Pos=Bottom
EOF

dialogue <<'EOF'
window Install "Sample Setup"
msgbox "Welcome" "Install the Sample Program?"
sleep 300
shot screen
press No
exit 0
EOF

run_setup
expect_exit 0
probe_titles
if [ -n "${UI_DOCS_SHOTS:-}" ]; then shot_png screen "$UI_DOCS_SHOTS/custom-look.png"; fi

h1=$(title_height 36 "$DPI")
h2=$(title_height 24 "$DPI")
read -r l1 top1 r1 b1 <<<"$TITLE_1"
[ "$top1" = $((CLIENT_H - 3 * h2 / 2)) ] ||
    fail "second title's top $top1, expected $((CLIENT_H - 3 * h2 / 2)) (client height $CLIENT_H, H2 $h2)"

gradient=$(gradient_colors 48 "$TOP" "$BOTTOM")
expect_title_at screen 0 "255 255 255" "0 0 40" "$gradient"
expect_title_at screen 1 "255 200 0" "0 0 40" "$gradient"

# Where the second title would stand without "Bottom": only the gradient.
under=$((h1 / 2 + h1 + h2 / 2))
expect_only_colors "under the first title" "$gradient" screen $((CLIENT_X + l1 - 3)) \
    $((CLIENT_Y + under - 3)) $((r1 - l1 + 6)) $((b1 - top1 + 3))
