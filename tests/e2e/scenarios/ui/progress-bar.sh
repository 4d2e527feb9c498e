#!/usr/bin/env bash
# The progress bar over a dialog item: blue fill left of the split, white right, the number white on the fill and blue on the rest; clamping; an unchanged value does not repaint.
. "$(dirname "$0")/../../lib.sh"
. "$(dirname "$0")/pixels.inc"

dist_copy "$E2E_BUILD/tests/e2e/progress_window.exe"
dialogue <<'EOF'
window ProgressTest "Progress test ready"
shot bars
close
exit 0
EOF
run_setup --cmd 'D:\progress_window.exe'
expect_exit 0
[ -f "$DIST/bars.txt" ] || fail "the test window wrote no bars.txt"

BLUE="0 0 255"
WHITE="255 255 255"
declare -A seen
while read -r _ name value l t r b tw th; do
    seen[$name]=$value
    w=$((r - l))
    s=$((l + value * w / 100))
    tx=$((l + (w - tw) / 2))
    ty=$(((t + b - th) / 2))
    [ "$ty" -gt "$t" ] || fail "$name: no row above the text to look at"
    case $name in
        repeat)
            # Painted red after the first SetValue(42); the second must not paint.
            expect_only_colors "$name: unchanged value repainted" "255 0 0" bars "$l" "$t" "$w" $((b - t))
            continue ;;
    esac
    # The split: the fill ends exactly at s (rows above the text).
    if [ "$s" -gt "$l" ]; then
        expect_pixel "$name: last filled column" bars $((s - 1)) "$t" "$BLUE"
        expect_only_colors "$name: fill above the text" "$BLUE" bars "$l" "$t" $((s - l)) $((ty - t))
        expect_only_colors "$name: fill below the text" "$BLUE" bars "$l" $((ty + th)) $((s - l)) $((b - ty - th))
    fi
    if [ "$s" -lt "$r" ]; then
        expect_pixel "$name: first empty column" bars "$s" "$t" "$WHITE"
        expect_only_colors "$name: empty part above the text" "$WHITE" bars "$s" "$t" $((r - s)) $((ty - t))
        expect_only_colors "$name: empty part below the text" "$WHITE" bars "$s" $((ty + th)) $((r - s)) $((b - ty - th))
    fi
    # The text in both colours: white where it crosses the fill, blue beyond.
    if [ "$tx" -lt "$s" ]; then
        end=$((s < tx + tw ? s : tx + tw))
        expect_color_in "$name: white text on the fill" "$WHITE" bars "$tx" "$ty" $((end - tx)) "$th"
    fi
    if [ $((tx + tw)) -gt "$s" ]; then
        start=$((s > tx ? s : tx))
        expect_color_in "$name: blue text on the empty part" "$BLUE" bars "$start" "$ty" $((tx + tw - start)) "$th"
    fi
    # The item's border stays visible around the inset.
    border=$(pixel_of bars $((l - 2)) $((t + 4)))
    [ "$border" != "$BLUE" ] && [ "$border" != "$WHITE" ] || fail "$name: the bar covers the item's border ($border)"
    if [ "$name" = value42 ]; then
        [ "$w" = 100 ] || fail "value42: inner width $w, expected 100"
        [ "$s" = $((l + 42)) ] || fail "value42: split at $((s - l))"
        [ "$tx" -lt "$s" ] && [ "$s" -lt $((tx + tw)) ] || fail "value42: the text does not straddle the split"
    fi
done < <(tr -d '\r' <"$DIST/bars.txt")

# Clamped values, and every bar reported.
[ "${seen[value42]:-}" = 42 ] || fail "value42 shows ${seen[value42]:-nothing}"
[ "${seen[over]:-}" = 100 ] || fail "SetValue(150) shows ${seen[over]:-nothing}, expected 100"
[ "${seen[under]:-}" = 0 ] || fail "SetValue(-5) shows ${seen[under]:-nothing}, expected 0"
[ "${seen[first0]:-}" = 0 ] || fail "first0 shows ${seen[first0]:-nothing}"
[ "${seen[repeat]:-}" = 42 ] || fail "repeat shows ${seen[repeat]:-nothing}"
[ "${seen[frame]:-}" = 70 ] || fail "frame shows ${seen[frame]:-nothing}"
