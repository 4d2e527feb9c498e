#!/usr/bin/env bash
# A script without presentation keys: the default green ramp of 32 bands and the titles "Title1" and "Title2" where the probe puts them.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/pixels.inc"

install_cfg <<'EOF'
Caption=Default look
Welcome=Do you see the default look?
WelcomeCaption=Default look
EOF

dialogue <<'EOF'
window Install "Default look"
msgbox "Default look" "Do you see the default look?"
sleep 300
shot screen
press No
exit 0
EOF

run_setup
expect_exit 0
probe_titles
if [ -n "${UI_DOCS_SHOTS:-}" ]; then shot_png screen "$UI_DOCS_SHOTS/default-look.png"; fi

TOP="0 76 38"
BOTTOM="51 204 102"
left=$((CLIENT_X + 30))
for i in 8 16 31; do
    read -r r0 r1 < <(band_rows $i 32 "$CLIENT_H")
    expect_pixel "middle of band $i" screen "$left" $((CLIENT_Y + (r0 + r1) / 2)) "$(band_color $i 32 "$TOP" "$BOTTOM")"
done
read -r r0 r1 < <(band_rows 16 32 "$CLIENT_H")
expect_pixel "band 16" screen "$left" $((CLIENT_Y + (r0 + r1) / 2)) "25 140 70"
read -r r0 r1 < <(band_rows 31 32 "$CLIENT_H")
expect_pixel "band 31" screen "$left" $((CLIENT_Y + (r0 + r1) / 2)) "49 200 100"

# 40 and 20 points: the first title's top at H1/2, the second's under it.
h1=$(title_height 40 "$DPI")
h2=$(title_height 20 "$DPI")
read -r _ top0 _ <<<"$TITLE_0"
read -r _ top1 _ <<<"$TITLE_1"
[ "$top0" = $((h1 / 2)) ] || fail "first title's top $top0, expected $((h1 / 2))"
[ "$top1" = $((h1 / 2 + h1 + h2 / 2)) ] || fail "second title's top $top1, expected $((h1 / 2 + h1 + h2 / 2))"

gradient=$(gradient_colors 32 "$TOP" "$BOTTOM")
expect_title_at screen 0 "255 255 0" "0 0 0" "$gradient"
expect_title_at screen 1 "192 192 192" "0 0 0" "$gradient"
