#!/usr/bin/env bash
# The host side of "setupkit try": installs a built set under Wine headless
# and compares what was installed with the author's files.
#   try.sh OUTDIR MANIFEST SETUP WAUTO ANSWERS
# setupkit passes the manifest it wrote from the description (OUTDIR/try/
# manifest.txt), "" or a SETUP.EXE to run instead of the set's, wauto.exe and
# "" or the author's answer rules.
#
# A fresh prefix is copied from a template kept in ~/.cache/setupkit. A set of
# floppies is installed from drive A:, each disk inserted when the program asks
# for it; the first time a disk is asked for, the disk before it is left in the
# drive, to show how the program takes a wrong disk. A single medium is drive
# D:. Each dialog answered is photographed into OUTDIR/try/answerNN.png; the
# transcript is OUTDIR/try/transcript.txt.
set -euo pipefail
OUT=$(cd "$1" && pwd)
MANIFEST=$2 SETUP=$3 WAUTO=$4 ANSWERS=$5
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fail() {
    printf 'setupkit try: %s\n' "$*" >&2
    exit 1
}
# shellcheck source=headless.sh
. "$HERE/headless.sh"

TRY=$OUT/try
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/setupkit
mkdir -p "$TRY" "$CACHE"
rm -f "$TRY"/answer*.png "$TRY"/transcript.txt
wine32_prepare "$CACHE" || fail "32-bit Wine cannot run here"
(
    flock 9
    if [ ! -f "$CACHE/template/system.reg" ] || [ "$HERE/headless.sh" -nt "$CACHE/template/system.reg" ]; then
        echo "setupkit try: making the Wine prefix template in $CACHE/template (once)"
        headless_build_template "$CACHE/template" || exit 1
    fi
) 9>"$CACHE/template.lock" || fail "cannot make the Wine prefix template"

SCEN=$(mktemp -d "${TMPDIR:-/tmp}/setupkit-try.XXXXXX")
SHOTS=$SCEN/shots
export WINEPREFIX=$SCEN/prefix
XVFB_PID=""
finish() {
    local status=$?
    set +e
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    headless_kill_leftovers >/dev/null 2>&1
    [ -z "$XVFB_PID" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; }
    rm -rf "$SCEN"
    exit $status
}
trap finish EXIT
mkdir -p "$SHOTS"
headless_start_xvfb
headless_copy_prefix "$CACHE/template" "$WINEPREFIX"
headless_wait_xvfb

# The disks, copied so that the set stays as built.
disks=0
while [ -d "$OUT/disk$((disks + 1))" ]; do
    disks=$((disks + 1))
    cp -r "$OUT/disk$disks" "$SCEN/disk$disks"
done
[ "$disks" -gt 0 ] || fail "$OUT holds no disk1"
[ -z "$SETUP" ] || cp "$SETUP" "$SCEN/disk1/SETUP.EXE"
if [ -f "$SCEN/disk1/thisdisk" ]; then
    drive='A:'
    echo "setupkit try: a set of $disks floppies, disk 1 in drive A:"
else
    drive='D:'
    echo "setupkit try: one medium, drive D:"
fi
ln -sfn "$SCEN/disk1" "$WINEPREFIX/dosdevices/${drive,,}"

# try_disk N (from the answer rule of "Please insert disk N"): the first time,
# the disk in the drive stays (the program must ask again); then disk N goes in.
try_disk() {
    if [ ! -e "$SCEN/wrong-disk-shown" ]; then
        touch "$SCEN/wrong-disk-shown"
        echo "disk $1 asked for: the wrong disk ($(basename "$(readlink "$WINEPREFIX/dosdevices/a:")")) left in the drive" >>"$SCEN/disks.log"
        return 0
    fi
    [ -d "$SCEN/disk$1" ] || { echo "disk $1 asked for, the set has $disks"; return 1; }
    ln -sfn "$SCEN/disk$1" "$WINEPREFIX/dosdevices/a:"
    echo "disk $1 asked for: disk$1 inserted" >>"$SCEN/disks.log"
}

{
    [ -z "$ANSWERS" ] || cat "$ANSWERS"
    echo 'on "Next Disk" ~"Please insert disk" disk press OK'
    echo 'answer'
} >"$SCEN/dialogue.txt"
wineserver -p
headless_watcher &
watcher=$!
status=0
LC_ALL=C.UTF-8 "$WINE64" "$WAUTO" -t 3600 -d "$drive\\" -s "$(winpath "$SHOTS")" - "$drive\\SETUP.EXE" \
    <"$SCEN/dialogue.txt" >"$TRY/transcript.txt" 2>"$SCEN/stderr.txt" || status=$?
kill "$watcher" 2>/dev/null || true
wait "$watcher" 2>/dev/null || true
tr -d '\r' <"$TRY/transcript.txt" | sed 's/^/  | /'
[ ! -s "$SCEN/disks.log" ] || sed 's/^/  disk change: /' "$SCEN/disks.log"
for shot in "$SHOTS"/answer*.bmp; do
    [ -e "$shot" ] || continue
    name=${shot##*/}
    convert "$shot" "$TRY/${name%.bmp}.png"
done
[ "$status" = 0 ] || fail "the installation could not be answered to its end (wauto status $status; transcript above)"
code=$(tr -d '\r' <"$TRY/transcript.txt" | sed -n 's/.*exit code: \([0-9]*\).*/\1/p' | tail -n 1)

# ---- What was installed ------------------------------------------------------
# $d: the last destination shown in a dialog, else the script's DefaultPath.
dest=$(tr -d '\r' <"$TRY/transcript.txt" | sed -n 's/^ *field 101 "\(.*\)"$/\1/p' | tail -n 1)
[ -n "$dest" ] || dest=$(tr -d '\r' <"$SCEN/disk1/install.cfg" | sed -n 's/^DefaultPath=//p' | head -n 1)
dest=${dest//\\\\/\\}
codepage=1252
expand() {
    local t=$1
    t=${t//\$d/$dest}
    t=${t//\$w/C:\\windows}
    t=${t//\$s/$drive}
    printf '%s' "$t"
}
# The value of KEY in SECTION of an INI file (0 when present).
ini_has() {
    [ -f "$1" ] && tr -d '\r' <"$1" | awk -v sec="$2" -v key="$3" '
        BEGIN { sec = tolower(sec); key = tolower(key) }
        /^[ \t]*\[/ { s = $0; sub(/^[ \t]*\[/, "", s); sub(/\].*$/, "", s); cur = tolower(s); next }
        cur == sec { i = index($0, "="); if (i == 0) next
            k = substr($0, 1, i - 1); gsub(/^[ \t]+|[ \t]+$/, "", k); if (tolower(k) == key) found = 1 }
        END { exit found ? 0 : 1 }'
}
# Entries of a profile source written into the profile file at host path $2.
check_entries() {
    local section="" line key
    while IFS= read -r line; do
        line=${line%$'\r'}
        case $line in
            \[*\]*) section=${line#[}; section=${section%%]*} ;;
            *=*) key=${line%%=*}
                 if ini_has "$2" "$section" "$key"; then entries=$((entries + 1))
                 else entries_missing=$((entries_missing + 1)); report "entry [$section] $key missing in $(basename "$2")"; fi ;;
        esac
    done <"$1"
}
shown=0
report() {
    shown=$((shown + 1))
    [ "$shown" -le 20 ] && echo "  $*"
    [ "$shown" -ne 21 ] || echo "  ..."
}
checked=0 differing=0 missing=0 folders=0 entries=0 entries_missing=0
target="" kind=""
while IFS=$'\t' read -r what a b; do
    case $what in
        codepage) codepage=$a ;;
        item)
            kind=$a
            target=$(expand "$(printf '%s' "$b" | iconv -f "CP$codepage" -t UTF-8)")
            if [ "$kind" = Profile ]; then
                case ${target,,} in *\\*) ;; *) target="C:\\windows\\$target" ;; esac
            fi
            root=$(hostpath "$target") ;;
        file)
            if [ "$kind" = Profile ]; then
                check_entries "$a" "$(hostpath "$target")"
                continue
            fi
            checked=$((checked + 1))
            # The name as written, else as Windows finds it (any letter case).
            p=$root/$b
            [ -f "$p" ] || p=$(hostpath "$target\\${b//\//\\}")
            if [ ! -f "$p" ]; then
                missing=$((missing + 1)); report "missing: $target\\${b//\//\\}"
            elif ! cmp -s "$p" "$a"; then
                differing=$((differing + 1)); report "differs: $target\\${b//\//\\} (source $a)"
            fi ;;
        folder)
            folders=$((folders + 1))
            [ -d "$root/$b" ] || [ -d "$(hostpath "$target\\${b//\//\\}")" ] || { missing=$((missing + 1)); report "missing folder: $target\\${b//\//\\}"; } ;;
        companion)
            case ${a##*/} in
                [Ww][Ii][Nn].[Ii][Nn][Ii]) check_entries "$a" "$(hostpath 'C:\windows\win.ini')" ;;
                [Ss][Yy][Ss][Tt][Ee][Mm].[Ii][Nn][Ii]) check_entries "$a" "$(hostpath 'C:\windows\system.ini')" ;;
            esac ;;
    esac
done <"$MANIFEST"
programs="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
groups=$(comm -13 <(ls "$CACHE/template/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" 2>/dev/null | sort) \
                  <(ls "$programs" 2>/dev/null | sort) | paste -sd, -)

echo "setupkit try: destination $dest; the program ended with exit code ${code:-?}"
echo "setupkit try: $checked files checked, $differing differing, $missing missing; $folders empty folders;" \
     "$entries profile entries written, $entries_missing missing; groups created: ${groups:-none}"
echo "setupkit try: screenshots of the $(ls "$TRY"/answer*.png 2>/dev/null | wc -l) dialogs answered in $TRY"
[ "$differing" -eq 0 ] && [ "$missing" -eq 0 ] && [ "$entries_missing" -eq 0 ] && [ "${code:-1}" = 0 ] ||
    fail "the installed files do not all match their sources"
echo "setupkit try: every file equals its source"
