#!/usr/bin/env bash
# The gradient's bands have the colours and rows worked out from the script (12 bands, a component of 300, a descending red).
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/pixels.inc"

TOP="300 40 10"
BOTTOM="20 100 250"
STEPS=12
install_cfg <<EOF
Caption=Gradient
Welcome=Look at the bands?
WelcomeCaption=Bands
TopColor=$TOP
BottomColor=$BOTTOM
NumGradientSteps=$STEPS
Title1=
Title2=
EOF

dialogue <<'EOF'
window Install "Gradient"
fullscreen
msgbox "Bands" "Look at the bands?"
shot screen
press No
exit 0
EOF

run_setup
expect_exit 0
probe_titles

# The Welcome box stands in the middle of the screen: look near the sides.
left=$((CLIENT_X + 30))
right=$((CLIENT_X + CLIENT_W - 30))
[ "$(band_color 0 $STEPS "$TOP" "$BOTTOM")" = "44 40 10" ] || fail "band 0 of the script is not 44 40 10"
for i in 0 1 5 6 11; do
    color=$(band_color $i $STEPS "$TOP" "$BOTTOM")
    read -r r0 r1 < <(band_rows $i $STEPS "$CLIENT_H")
    middle=$((CLIENT_Y + (r0 + r1) / 2))
    expect_pixel "middle of band $i" screen "$left" "$middle" "$color"
    expect_pixel "middle of band $i" screen "$right" "$middle" "$color"
    # The band covers exactly its rows.
    expect_pixel "first row of band $i" screen "$left" $((CLIENT_Y + r0)) "$color"
    expect_pixel "last row of band $i" screen "$left" $((CLIENT_Y + r1 - 1)) "$color"
done
