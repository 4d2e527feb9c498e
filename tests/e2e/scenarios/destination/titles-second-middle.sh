#!/usr/bin/env bash
# A second title across the screen's middle: the dialog moves below it, clear of both titles.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/dest.inc"

TITLES_CFG='Caption=Destination
Title1=First
Title1Size=100
Title2=Second
Title2Size=60
Title2Color=255 128 0
DefaultPath=C:\Unused'
. "$(dirname "$0")/titles-clear.inc"
read -r _ t1top _ t1bottom <<<"$TITLE_1"
centred=$(( (768 - height) / 2 ))
[ "$centred" -gt "$t1top" ] && [ "$centred" -lt "$t1bottom" ] || fail "the second title does not span the centred place: the case is not tested"
