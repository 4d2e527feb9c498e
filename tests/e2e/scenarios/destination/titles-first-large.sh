#!/usr/bin/env bash
# A first title reaching below the screen's middle: the dialog is placed below it, clear of both titles.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

TITLES_CFG='Caption=Destination
Title1=Big
Title1Size=200
Title2=Second line
Title2Color=255 128 0
DefaultPath=C:\Unused'
. "$(dirname "$0")/titles-clear.inc"
# The centred place would meet the first title.
read -r _ t0top _ t0bottom <<<"$TITLE_0"
[ $(( (768 - height) / 2 )) -lt "$t0bottom" ] || fail "the first title does not reach the centred place: the case is not tested"
