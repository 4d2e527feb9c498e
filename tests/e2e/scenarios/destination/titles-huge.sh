#!/usr/bin/env bash
# A first title far larger than the screen ("Title1Size" 1000): the dialog is not pushed off the desktop but placed as low as it still fits, whole.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"
. "$(dirname "$0")/../ui/pixels.inc"

install_cfg <<'EOF2'
Caption=Destination
Title1=Big
Title1Size=1000
Title2=
DefaultPath=C:\Unused
EOF2

dialogue <<'EOF2'
dialog "Destination"
sleep 300
shot dialog
press Cancel
msgbox "Error" "Do you want to exit?"
press Yes
exit 0
EOF2

run_setup
expect_exit 0
probe_titles
read -r left top right bottom < <(dialog_box dialog)
[ "$left" != none ] || fail "no dialog found in the screenshot"
[ $((right - left)) -gt 150 ] && [ $((bottom - top)) -gt 120 ] ||
    fail "dialog box ${left},${top}..${right},${bottom} is cut off or not the dialog"
[ "$top" -ge 0 ] && [ "$bottom" -le 768 ] && [ "$bottom" -ge 760 ] ||
    fail "dialog rows ${top}..${bottom} are not the lowest whole place on the 768-row desktop"
echo "dialog at ${left},${top}..${right},${bottom}"
