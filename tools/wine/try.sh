#!/usr/bin/env bash
# The host side of "setupkit try": installs a built set under Wine headless
# and compares what was installed with the author's files.
#   try.sh OUTDIR MANIFEST SETUP WAUTO ANSWERS KEEP UNATTENDED
# setupkit passes the manifest it wrote from the description (OUTDIR/try/
# manifest.txt), "" or a SETUP.EXE to run instead of the set's, wauto.exe,
# "" or the author's answer rules, "keep" to leave the prefix in
# OUTDIR/try/prefix (else ""), and "unattended" for --unattended (else "").
#
# Unattended, the disk folders stand side by side on drive D: and
# D:\disk1\SETUP.EXE runs with /S and /LOG=: nothing is answered (a window
# that waits all the same is answered by its default, so that the run ends,
# and fails the try); the log goes to OUTDIR/try/install.log and its failures
# are quoted in the report.
#
# A fresh prefix is copied from a template kept in ~/.cache/setupkit. A set of
# floppies is installed from drive A:, each disk inserted when the program asks
# for it; the first time a disk is asked for, the disk before it is left in the
# drive, to show how the program takes a wrong disk. A single medium is drive
# D:. Wine runs in a locale of the set's code page, so that names are created
# as the users' Windows would create them. Each disk change and each dialog
# answered is printed as it happens, and each dialog photographed into
# OUTDIR/try/answerNN.png; the transcript is OUTDIR/try/transcript.txt.
set -euo pipefail
# Bytes as they are: the manifest holds names in the users' code page, which
# a UTF-8 locale would read as broken characters (swallowing line ends).
export LC_ALL=C
OUT=$(cd "$1" && pwd)
MANIFEST=$2 SETUP=$3 WAUTO=$4 ANSWERS=$5 KEEP=${6:-} UNATTENDED=${7:-}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fail() {
    printf 'setupkit try: %s\n' "$*" >&2
    exit 1
}
# shellcheck source=headless.sh
. "$HERE/headless.sh"

TRY=$OUT/try
RECORD=$OUT/setupkit.ini
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/setupkit
mkdir -p "$TRY" "$CACHE"
rm -rf "$TRY"/answer*.png "$TRY"/transcript.txt "$TRY/prefix" "$TRY/install.log"
codepage=$(sed -n '1s/^codepage\t\([0-9]*\)$/\1/p' "$MANIFEST")
[ -n "$codepage" ] || fail "$MANIFEST does not begin with the set's code page"

# ---- Wine in the set's code page ----------------------------------------------
# Wine takes the ANSI code page from the language of the locale and the
# encoding of host file names from its character set: a UTF-8 locale of a
# language of code page N gives Windows programs code page N and names on the
# host in UTF-8. The locale is made once into the cache (localedef), so that
# no system locale needs to be installed.
try_language() {
    case $1 in
        1250) echo cs_CZ ;; 1251) echo ru_RU ;; 1252) echo en_US ;; 1253) echo el_GR ;;
        1254) echo tr_TR ;; 1255) echo he_IL ;; 1256) echo ar_EG ;; 1257) echo lt_LT ;;
        1258) echo vi_VN ;; 874) echo th_TH ;; 932) echo ja_JP ;; 936) echo zh_CN ;;
        949) echo ko_KR ;; 950) echo zh_TW ;; *) return 1 ;;
    esac
}
language=$(try_language "$codepage") || fail "no Windows locale known for code page $codepage"
WINE_LOCALE=$language.UTF-8
LOCALES=$CACHE/locale
(
    flock 9
    [ -d "$LOCALES/$WINE_LOCALE" ] && exit 0
    mkdir -p "$LOCALES"
    echo "setupkit try: making the locale $WINE_LOCALE in $LOCALES (once)"
    # Status 1 means warnings, with the locale written; its LC_CTYPE tells.
    localedef -i "$language" -f UTF-8 "$LOCALES/$WINE_LOCALE.new" >"$LOCALES/localedef.log" 2>&1 || true
    [ -f "$LOCALES/$WINE_LOCALE.new/LC_CTYPE" ] || { cat "$LOCALES/localedef.log" >&2; exit 1; }
    rm -rf "${LOCALES:?}/$WINE_LOCALE"
    mv "$LOCALES/$WINE_LOCALE.new" "$LOCALES/$WINE_LOCALE"
) 9>"$CACHE/locale.lock" || fail "cannot make the locale $WINE_LOCALE for code page $codepage (localedef, package locales)"
# Runs a Wine command in the set's locale.
in_locale() {
    LOCPATH=$LOCALES LC_ALL=$WINE_LOCALE "$@"
}

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
# With --keep the prefix is made where it stays.
if [ "$KEEP" = keep ]; then
    export WINEPREFIX=$TRY/prefix
else
    export WINEPREFIX=$SCEN/prefix
fi
XVFB_PID=""
finish() {
    local status=$?
    set +e
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    headless_kill_leftovers >/dev/null 2>&1
    [ -z "$XVFB_PID" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; }
    if [ "$KEEP" = keep ] && [ -d "$WINEPREFIX" ]; then
        # The drive points at the set as built, not at the run's copy.
        [ -z "${drive:-}" ] || ln -sfn "$OUT${medium#"$SCEN"}" "$WINEPREFIX/dosdevices/${drive,,}"
        echo "setupkit try: the Wine prefix stays in $WINEPREFIX (installed files below its drive_c)"
    fi
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
# The drive holds the first disk; unattended, it holds the disk folders side
# by side and setup starts from disk1 (its $s).
medium=$SCEN/disk1 start='' program_args=()
if [ -n "$UNATTENDED" ]; then
    drive='D:' medium=$SCEN start='\disk1'
    program_args=(/S '/LOG=D:\install.log')
    echo "setupkit try: unattended (/S), the $disks disk folders on drive D:"
elif [ -f "$SCEN/disk1/thisdisk" ]; then
    drive='A:'
    echo "setupkit try: a set of $disks floppies, disk 1 in drive A:"
else
    drive='D:'
    echo "setupkit try: one medium, drive D:"
fi
echo "setupkit try: Wine runs in the locale $WINE_LOCALE (code page $codepage)"
ln -sfn "$medium" "$WINEPREFIX/dosdevices/${drive,,}"

# try_disk N (from the answer rule of "Please insert disk N", run by the
# watcher): the first time, the disk in the drive stays (the program must ask
# again); then disk N goes in. A disk asked for a third time was not taken
# although offered (its folder holds another disk): the run stops there.
# Each change is printed as it happens (on TRY_SAY, this script's output).
try_disk() {
    local n=$1 asked holds
    asked=$(( $(cat "$SCEN/asked.$n" 2>/dev/null || echo 0) + 1 ))
    echo "$asked" >"$SCEN/asked.$n"
    if [ "$asked" -ge 3 ]; then
        holds=$(tr -d '\r' <"$SCEN/disk$n/thisdisk" 2>/dev/null | sed -n 's/^DiskNumber=\([0-9]*\).*/disk \1/p' | head -n 1)
        echo "disk $n was asked for $asked times; folder disk$n holds ${holds:-no thisdisk}" | tee "$SCEN/stopped" >&2
        return 1
    fi
    if [ ! -e "$SCEN/wrong-disk-shown" ]; then
        touch "$SCEN/wrong-disk-shown"
        echo "  disk change: disk $n asked for: the wrong disk ($(basename "$(readlink "$WINEPREFIX/dosdevices/a:")")) left in the drive" >&"$TRY_SAY"
        return 0
    fi
    if [ ! -d "$SCEN/disk$n" ]; then
        echo "disk $n was asked for; the set has $disks" | tee "$SCEN/stopped" >&2
        return 1
    fi
    ln -sfn "$SCEN/disk$n" "$WINEPREFIX/dosdevices/a:"
    echo "  disk change: disk $n asked for: disk$n inserted" >&"$TRY_SAY"
}

{
    if [ -z "$UNATTENDED" ]; then
        [ -z "$ANSWERS" ] || cat "$ANSWERS"
        echo 'on "Next Disk" ~"Please insert disk" disk press OK'
    fi
    echo 'answer'
} >"$SCEN/dialogue.txt"
in_locale wineserver -p
exec {TRY_SAY}>&1
headless_watcher &
watcher=$!
# The exchange is printed as it goes and kept in the transcript.
set +e
in_locale "$WINE64" "$WAUTO" -t 3600 -d "$drive$start\\" -s "$(winpath "$SHOTS")" - "$drive$start\\SETUP.EXE" \
    "${program_args[@]}" <"$SCEN/dialogue.txt" 2>"$SCEN/stderr.txt" | tee "$TRY/transcript.txt" | sed -u 's/\r$//; s/^/  | /'
status=${PIPESTATUS[0]}
set -e
kill "$watcher" 2>/dev/null || true
wait "$watcher" 2>/dev/null || true
for shot in "$SHOTS"/answer*.bmp; do
    [ -e "$shot" ] || continue
    name=${shot##*/}
    convert "$shot" "$TRY/${name%.bmp}.png"
done
[ ! -s "$SCEN/stopped" ] || fail "stopped: $(cat "$SCEN/stopped")"
[ "$status" = 0 ] || fail "the installation could not be answered to its end (wauto status $status; transcript above)"
code=$(tr -d '\r' <"$TRY/transcript.txt" | sed -n 's/.*exit code: \([0-9]*\).*/\1/p' | tail -n 1)

# ---- What was installed ------------------------------------------------------
# $d: the destination in the log (unattended), or the last one shown in a
# dialog, else the script's DefaultPath.
if [ -n "$UNATTENDED" ]; then
    cp "$SCEN/install.log" "$TRY/install.log" 2>/dev/null || fail "the program wrote no install log"
    dest=$(tr -d '\r' <"$TRY/install.log" | sed -n 's/^destination \(.*\)$/\1/p' | sed 's/ (command line)$//' | tail -n 1)
    # Doubled, as the transcript escapes it: the line below undoes that.
    dest=${dest//\\/\\\\}
else
    dest=$(tr -d '\r' <"$TRY/transcript.txt" | sed -n 's/^ *field 101 "\(.*\)"$/\1/p' | tail -n 1)
fi
[ -n "$dest" ] || dest=$(tr -d '\r' <"$SCEN/disk1/install.cfg" | sed -n 's/^DefaultPath=//p' | head -n 1)
dest=${dest//\\\\/\\}
# Texts of the program and its script are in the code page; host names UTF-8.
printf '%s' "$dest" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1 || dest=$(printf '%s' "$dest" | iconv -f "CP$codepage" -t UTF-8)
expand() {
    local t=$1
    t=${t//\$d/$dest}
    t=${t//\$w/C:\\windows}
    t=${t//\$s/$drive$start}
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
# Entries of a profile source written into the profile file at host path $2
# (those before the first section header are not written).
check_entries() {
    local section="" line key
    while IFS= read -r line; do
        line=${line%$'\r'}
        case $line in
            \[*\]*) section=${line#[}; section=${section%%]*} ;;
            *=*) [ -n "$section" ] || continue
                 key=${line%%=*}
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
# The set holds what the manifest's second line counts; every line after it
# is compared, and the counts must meet.
held_files=$(sed -n '2s/^holds\t\([0-9]*\)\t[0-9]*$/\1/p' "$MANIFEST")
held_folders=$(sed -n '2s/^holds\t[0-9]*\t\([0-9]*\)$/\1/p' "$MANIFEST")
[ -n "${held_folders:-}" ] || fail "$MANIFEST does not say how many files the set holds"
checked=0 differing=0 changed=0 missing=0 folders=0 folders_missing=0 entries=0 entries_missing=0
target="" kind=""
while IFS=$'\t' read -r what a b; do
    case $what in
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
            elif cmp -s "$p" "$a"; then
                :
            elif [ "$a" -nt "$RECORD" ]; then
                # Edited after the build: the set holds the earlier bytes.
                changed=$((changed + 1)); report "source changed since the build: $a (installed as $target\\${b//\//\\})"
            else
                differing=$((differing + 1)); report "differs: $target\\${b//\//\\} (source $a)"
            fi ;;
        folder)
            folders=$((folders + 1))
            [ -d "$root/$b" ] || [ -d "$(hostpath "$target\\${b//\//\\}")" ] ||
                { folders_missing=$((folders_missing + 1)); report "missing folder: $target\\${b//\//\\}"; } ;;
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

# Cancelled by the answers: "Installation Aborted." shown, Cancel pressed by a
# rule, or No to the welcome question (the first box, when the script asks one).
cancelled=$(tr -d '\r' <"$TRY/transcript.txt" | awk -v welcome="$(grep -c '^Welcome=' "$SCEN/disk1/install.cfg" || true)" '
    /answer[0-9]+: .*"Installation Aborted\."/ { c = 1 }
    /^ +press 2$/ { c = 1 }
    /answer01: / { first = 1; next }
    /answer[0-9]+: / { first = 0 }
    first && welcome > 0 && /^ +press 7$/ { c = 1 }
    END { print c ? "yes" : "no" }')

echo "setupkit try: destination $dest; the program ended with exit code ${code:-?}"
echo "setupkit try: compared $checked of the set's $held_files files ($differing differing, $changed sources changed since the build, $missing missing)" \
     "and $folders of its $held_folders empty folders ($folders_missing missing);" \
     "$entries profile entries written, $entries_missing missing; groups created: ${groups:-none}"
answered=$(find "$TRY" -maxdepth 1 -name 'answer*.png' | wc -l)
echo "setupkit try: screenshots of the $answered dialogs answered in $TRY"
if [ -n "$UNATTENDED" ]; then
    # What went wrong, as the log tells it: the boxes that report a failure
    # (shown or not), the count of failures and the outcome.
    echo "setupkit try: the install log is $TRY/install.log; its failures and outcome:"
    tr -d '\r' <"$TRY/install.log" |
        grep -E '^(message "(Error|File Error|Next Disk|Invalid path|No space on drive|Cannot run program)"|failures: |end: )' |
        sed 's/^/  log: /' || true
    [ "$answered" -eq 0 ] || fail "$answered windows waited for input under /S"
fi
[ "$checked" -eq "$held_files" ] && [ "$folders" -eq "$held_folders" ] ||
    fail "the manifest was not read whole: compared $checked of $held_files files and $folders of $held_folders folders"
[ $((checked + folders + entries + entries_missing)) -gt 0 ] || fail "nothing was compared: the set installs no file, folder or profile entry"
[ "$cancelled" = no ] || fail "the installation was cancelled (by the answers): $((checked - missing)) of $held_files files installed"
[ "$changed" -eq 0 ] || fail "$changed source$([ "$changed" = 1 ] || echo s) changed since the build: build the set again"
[ "$differing" -eq 0 ] && [ "$missing" -eq 0 ] && [ "$folders_missing" -eq 0 ] && [ "$entries_missing" -eq 0 ] && [ "${code:-1}" = 0 ] ||
    fail "the installed files do not all match their sources"
echo "setupkit try: every file equals its source"
