# Library of the end-to-end scenarios: sourced by every scenario file.
#
# Sourcing it prepares the scenario: a Wine prefix copied from the template,
# an Xvfb display, a distribution directory; the EXIT trap cleans them up
# (KEEP=1 keeps the files). See tests/e2e/README.md for the helpers.

set -eEu -o pipefail
# E2E_TRACE=1 traces every command with a time stamp (root's bash ignores PS4
# from the environment).
if [ "${E2E_TRACE:-0}" = 1 ]; then
    PS4='+ ${EPOCHREALTIME} '
    set -x
fi

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_ROOT=$(cd "$E2E_DIR/../.." && pwd)
# The program under test: the release SETUP.EXE (i686) unless
# E2E_SETUP_BUILD names another build directory (build/win64: the x86-64
# twin). wauto and the probes come from E2E_BUILD (the win64 build).
E2E_SETUP_BUILD=${E2E_SETUP_BUILD:-$E2E_ROOT/build/win32}
case $E2E_SETUP_BUILD in /*) ;; *) E2E_SETUP_BUILD=$E2E_ROOT/$E2E_SETUP_BUILD ;; esac
E2E_BUILD=${E2E_BUILD:-$E2E_ROOT/build/win64}
case $E2E_BUILD in /*) ;; *) E2E_BUILD=$E2E_ROOT/$E2E_BUILD ;; esac
# The runner gives every run a directory of its own (template, scenario
# directories, logs); a scenario run by hand uses build/e2e/manual.
E2E_WORK=${E2E_WORK:-$E2E_ROOT/build/e2e/manual}
E2E_TEMPLATE=${E2E_TEMPLATE:-$E2E_WORK/template}
SETUP_EXE_BUILT=$E2E_SETUP_BUILD/SETUP.EXE
WAUTO_EXE=$E2E_BUILD/tools/wauto.exe

# shellcheck source=../../tools/wine/headless.sh
. "$E2E_ROOT/tools/wine/headless.sh"


# ---- Messages and failure ------------------------------------------------------

e2e_note() { printf '%s\n' "$*"; }

fail() {
    printf 'FAIL: %s\n' "$*"
    exit 1
}

e2e_on_error() {
    local status=$1 line=$2 cmd=$3
    printf 'FAIL: command failed (status %s) at line %s: %s\n' "$status" "$line" "$cmd"
    exit 1
}

# ---- Template prefix --------------------------------------------------------------

e2e_ensure_template() {
    mkdir -p "$E2E_WORK"
    wine32_prepare "$E2E_ROOT/build" || { echo "e2e: 32-bit Wine cannot run here" >&2; return 1; }
    (
        flock 9
        # A template older than this library (or headless.sh) may lack settings made here.
        if [ ! -f "$E2E_TEMPLATE/system.reg" ] || [ "${BASH_SOURCE[0]}" -nt "$E2E_TEMPLATE/system.reg" ] ||
           [ "$E2E_ROOT/tools/wine/headless.sh" -nt "$E2E_TEMPLATE/system.reg" ]; then
            headless_build_template "$E2E_TEMPLATE" || { echo "e2e: cannot build the template prefix" >&2; exit 1; }
        fi
    ) 9>"$E2E_WORK/template.lock"
}

# Replaces the hard links of C:\windows\system32 by copies of their own
# (both halves: a 32-bit program's system32 is syswow64).
private_system32() {
    local d
    for d in "$WINEPREFIX"/drive_c/windows/system32 "$WINEPREFIX"/drive_c/windows/syswow64; do
        [ -d "$d" ] || continue
        cp -a "$d" "$d.private"
        rm -rf "$d"
        mv "$d.private" "$d"
    done
}

# Files of the shared directories written since the copy (their time stamp
# is newer): such a write went through to the template.
e2e_shared_writes() {
    local d
    for d in "${HEADLESS_SHARED_DIRS[@]}"; do
        find "$WINEPREFIX/$d" -type f -links +1 -newer "$WINEPREFIX/.e2e-copied" 2>/dev/null
    done
}

# ---- Scenario set-up and clean-up ---------------------------------------------------
# Stops the prefix's processes and the display and removes the scenario's
# files.
e2e_teardown() {
    # Whether a server runs is not known here (run_setup may have run in a
    # subshell); -k without one returns at once.
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        # Not -k9: that kills only the server and leaves its services running.
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        headless_kill_leftovers
    fi
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    if [ "${KEEP:-0}" = 1 ]; then
        echo "e2e: kept $SCEN (prefix: $WINEPREFIX)"
    elif [ -n "${SCEN:-}" ]; then
        rm -rf "$SCEN"
    fi
}

e2e_cleanup() {
    local status=$?
    set +eE
    trap - ERR
    if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/.e2e-copied" ]; then
        local written
        written=$(e2e_shared_writes)
        if [ -n "$written" ]; then
            printf 'FAIL: the scenario wrote files shared with the template prefix (call private_system32 before run_setup):\n%s\n' "$written"
            [ "$status" -ne 0 ] || status=1
        fi
    fi
    # Under the runner the teardown (most of a second, mostly waiting for the
    # server) goes on in the background while the next scenario starts; the
    # runner waits for every teardown before it ends.
    if [ -n "${E2E_TEARDOWN_DIR:-}" ] && [ "${KEEP:-0}" != 1 ] && [ -d "$E2E_TEARDOWN_DIR" ]; then
        local mark
        mark=$(mktemp "$E2E_TEARDOWN_DIR/XXXXXX")
        ( trap - EXIT TERM INT; e2e_teardown >/dev/null 2>&1; rm -f "$mark" ) </dev/null >/dev/null 2>&1 &
        disown
    else
        e2e_teardown
    fi
    exit $status
}

e2e_setup() {
    [ -f "$SETUP_EXE_BUILT" ] || fail "no $SETUP_EXE_BUILT: build it first (or set E2E_SETUP_BUILD)"
    [ -f "$WAUTO_EXE" ] || fail "no $WAUTO_EXE: build the win64 build first (or set E2E_BUILD)"
    e2e_ensure_template || fail "no template prefix"
    local script
    script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
    SCEN_NAME=${script#"$E2E_DIR/scenarios/"}
    SCEN_NAME=${SCEN_NAME%.sh}
    mkdir -p "$E2E_WORK/runs"
    SCEN=$(mktemp -d "$E2E_WORK/runs/${SCEN_NAME//\//-}.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
    trap 'e2e_on_error $? $LINENO "$BASH_COMMAND"' ERR
    export WINEPREFIX=$SCEN/prefix
    DIST=$SCEN/dist
    SHOTS=$SCEN/shots
    mkdir -p "$DIST" "$SHOTS"
    : >"$SCEN/dialogue.txt"
    headless_start_xvfb
    # A shared lock: a hand run that rebuilds the template waits for copies.
    (
        flock -s 9
        headless_copy_prefix "$E2E_TEMPLATE" "$WINEPREFIX"
    ) 9>"$E2E_WORK/template.lock"
    headless_wait_xvfb
    # E2E_WINVER=win31 (win95, nt351, win10 ...) runs any scenario under that
    # Windows version; a scenario's own winver line comes later and wins.
    [ -z "${E2E_WINVER:-}" ] || winver "$E2E_WINVER"
    # The distribution is drive D: unless the scenario starts from drive A:.
    ln -s "$DIST" "$WINEPREFIX/dosdevices/d:"
    EXIT_CODE=""
    WAUTO_LOG=$SCEN/wauto.log
    SETUP_STDERR=$SCEN/stderr.txt
}

# Starts the prefix's server before any program, so that two programs never
# race to start it.
e2e_server() {
    if [ -z "${E2E_SERVER_STARTED:-}" ]; then
        wineserver -p
        E2E_SERVER_STARTED=1
    fi
}

# ---- The distribution ---------------------------------------------------------------

# Writes stdin to FILE with CR LF line ends.
e2e_write_crlf() {
    mkdir -p "$(dirname "$1")"
    sed 's/\r$//; s/$/\r/' >"$1"
}

install_cfg() {
    e2e_write_crlf "$DIST/${1:-install.cfg}"
}

dist_file() {
    [ $# -eq 1 ] || fail "usage: dist_file NAME <<EOF"
    e2e_write_crlf "$DIST/$1"
}

dist_file_raw() {
    [ $# -eq 1 ] || fail "usage: dist_file_raw NAME < FILE"
    mkdir -p "$(dirname "$DIST/$1")"
    cat >"$DIST/$1"
}

dist_copy() {
    local name=${2:-$(basename "$1")}
    mkdir -p "$(dirname "$DIST/$name")"
    cp "$1" "$DIST/$name"
}

# make_data HOSTFILE SIZE [text|binary]: a file of SIZE bytes to install:
# numbered text lines (compressible) or random bytes.
make_data() {
    mkdir -p "$(dirname "$1")"
    case ${3:-text} in
    text) awk 'BEGIN { for (i = 0; ; i++) printf "line %d of the sample data, some words to pack\r\n", i }' |
          head -c "$2" >"$1" || true ;;
    binary) head -c "$2" /dev/urandom >"$1" ;;
    esac
    [ "$(stat -c %s "$1")" -eq "$2" ] || fail "make_data: $1 is not $2 bytes"
}

# make_lzh OUT METHOD MEMBER HOSTFILE [METHOD MEMBER HOSTFILE ...]: an LHA
# archive with level-1 headers. OUT is relative to the distribution dir unless
# it begins with "/". Stored ids take the file's bytes; the data of compressed
# ids ("-lh5-", "<cmp>", "<cm+>") is packed by jlha.
make_lzh() {
    local out=$1 args=() tmp n=0
    shift
    case $out in /*) ;; *) out=$DIST/$out ;; esac
    tmp=$(mktemp -d "$SCEN/.lzh.XXXXXX")
    while [ $# -ge 3 ]; do
        case $1 in
        -lh5-|'<cmp>'|'<cm+>')
            n=$((n + 1))
            cp "$3" "$tmp/m$n"
            (cd "$tmp" && jlha c1o5q "a$n.lzh" "m$n" >/dev/null)
            args+=("$1" "$2" "$tmp/a$n.lzh:0") ;;
        *) args+=("$1" "$2" "$3") ;;
        esac
        shift 3
    done
    [ $# -eq 0 ] || fail "usage: make_lzh OUT METHOD MEMBER HOSTFILE..."
    mkdir -p "$(dirname "$out")"
    python3 "$E2E_ROOT/tests/data/archive/mkfixture.py" "$out" "${args[@]}" ||
        fail "make_lzh: cannot write $out"
    rm -rf "$tmp"
}

# Drive A: is the folder $SCEN/DIR ("a floppy"); floppy_change re-points it.
floppy() {
    mkdir -p "$SCEN/$1"
    ln -sfn "$SCEN/$1" "$WINEPREFIX/dosdevices/a:"
}
floppy_change() { floppy "$@"; }

dialogue() {
    cat >"$SCEN/dialogue.txt"
}

# Registry edits before the first program: written straight into user.reg,
# which the server reads when it starts, so they cost no Wine process.
e2e_user_reg() {
    [ -z "${E2E_SERVER_STARTED:-}" ] || fail "registry must be set before the first program runs"
    printf '%s\n' "$@" >>"$WINEPREFIX/user.reg"
}

# Windows version that SETUP.EXE (and its relaunched copy) sees: win31, win95,
# win98, winxp, win7, win10 ...
winver() {
    local exe
    for exe in SETUP.EXE INSTALLC.EXE installc.exe; do
        e2e_user_reg "" "[Software\\\\Wine\\\\AppDefaults\\\\$exe] 1700000000" "\"Version\"=\"$1\""
    done
}

wine_reg() {
    e2e_server
    "$WINE64" reg "$@" >>"$SCEN/reg.log" 2>&1 || fail "reg $*: $(cat "$SCEN/reg.log")"
}

# ---- Running the program --------------------------------------------------------------

run_setup() {
    local exe=SETUP.EXE cwd="" cmd="" timeout=60 drive='D:'
    while [ $# -gt 0 ]; do
        case $1 in
            --floppy) drive='A:'; shift ;;
            --exe) exe=$2; shift 2 ;;
            --cwd) cwd=$2; shift 2 ;;
            --cmd) cmd=$2; shift 2 ;;
            --timeout) timeout=$2; shift 2 ;;
            --) shift; break ;;
            *) fail "run_setup: unknown option $1" ;;
        esac
    done
    cp "$SETUP_EXE_BUILT" "$DIST/$exe"
    if [ "$drive" = 'A:' ]; then
        ln -sfn "$DIST" "$WINEPREFIX/dosdevices/a:"
    fi
    [ -n "$cmd" ] || cmd="$drive\\$exe"
    [ -n "$cwd" ] || cwd="$drive\\"
    e2e_server
    headless_watcher &
    local watcher=$!
    local status=0
    "$WINE64" "$WAUTO_EXE" -t "$timeout" -d "$cwd" -s "$(winpath "$SHOTS")" - "$cmd" "$@" \
        <"$SCEN/dialogue.txt" >"$WAUTO_LOG" 2>"$SETUP_STDERR" || status=$?
    kill "$watcher" 2>/dev/null || true
    wait "$watcher" 2>/dev/null || true
    sed 's/^/  | /' "$WAUTO_LOG"
    [ ! -s "$SCEN/host.log" ] || cat "$SCEN/host.log"
    if [ -s "$SETUP_STDERR" ]; then
        echo "  standard error:"
        tr -d '\r' <"$SETUP_STDERR" | sed 's/^/  ! /'
    fi
    EXIT_CODE=$(sed -n 's/.*exit code: \([0-9]*\).*/\1/p' "$WAUTO_LOG" | tail -n 1 | tr -d '\r')
    case $status in
        0) ;;
        1) fail "the dialogue failed (transcript above)" ;;
        3) fail "global timeout of the dialogue (transcript above)" ;;
        *) fail "wauto could not run (status $status)" ;;
    esac
}

# ---- Checks ---------------------------------------------------------------------------------

expect_exit() {
    [ -n "$EXIT_CODE" ] || fail "expect_exit: the program's exit code is unknown (did run_setup run?)"
    [ "$EXIT_CODE" = "$1" ] || fail "expected exit code $1, found $EXIT_CODE"
}

expect_file() {
    local p
    p=$(hostpath "$1")
    [ -f "$p" ] || fail "expected file $1, not found ($p)"
    if [ $# -ge 2 ]; then
        local want found
        want=$(printf '%s' "$2" | od -An -c | tr -s ' ')
        found=$(od -An -c "$p" | tr -s ' ')
        [ "$(printf '%s' "$2" | cmp - "$p" >/dev/null 2>&1 && echo same)" = same ] ||
            fail "file $1 differs: expected bytes [$want], found [$found]"
    fi
}

expect_file_same() {
    local p
    p=$(hostpath "$1")
    [ -f "$p" ] || fail "expected file $1, not found"
    cmp -s "$p" "$2" || fail "file $1 differs from $2: $(cmp "$p" "$2" 2>&1 | head -n 1)"
}

expect_no_file() {
    local p
    p=$(hostpath "$1")
    [ ! -e "$p" ] || fail "expected nothing at $1, found $( [ -d "$p" ] && echo a directory || echo a file)"
}

expect_dir() {
    local p
    p=$(hostpath "$1")
    [ -d "$p" ] || fail "expected directory $1, $( [ -e "$p" ] && echo found a file || echo not found)"
}

# The value of KEY in SECTION of an INI file (section and key without regard
# to case); prints nothing and fails when absent.
ini_value() {
    local file=$1 section=$2 key=$3 p
    case $file in
        [A-Za-z]:*) p=$(hostpath "$file") ;;
        *) p=$(hostpath "C:\\windows\\$file") ;;
    esac
    [ -f "$p" ] || return 1
    awk -v sec="$section" -v key="$key" '
        BEGIN { sec = tolower(sec); key = tolower(key) }
        { sub(/\r$/, "") }
        /^[ \t]*\[/ { s = $0; sub(/^[ \t]*\[/, "", s); sub(/\].*$/, "", s); cur = tolower(s); next }
        cur == sec {
            i = index($0, "=")
            if (i == 0) next
            k = substr($0, 1, i - 1); gsub(/^[ \t]+|[ \t]+$/, "", k)
            if (tolower(k) == key) { print substr($0, i + 1); found = 1; exit }
        }
        END { exit found ? 0 : 1 }' "$p"
}

expect_ini_value() {
    local found
    found=$(ini_value "$1" "$2" "$3") || fail "expected [$2] $3=$4 in $1, key not found"
    [ "$found" = "$4" ] || fail "expected [$2] $3=$4 in $1, found $3=$found"
}

expect_no_ini_key() {
    local found
    if found=$(ini_value "$1" "$2" "$3"); then
        fail "expected no key $3 in [$2] of $1, found $3=$found"
    fi
}

startmenu_dir() {
    printf '%s\n' "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
}

expect_startmenu_group() {
    [ -d "$(startmenu_dir)/$1" ] || fail "expected Start Menu group \"$1\"; groups: $(ls "$(startmenu_dir)" | tr '\n' ',')"
}

expect_no_startmenu_group() {
    [ ! -e "$(startmenu_dir)/$1" ] || fail "expected no Start Menu group \"$1\""
}

expect_startmenu_item() {
    [ -f "$(startmenu_dir)/$1/$2.lnk" ] ||
        fail "expected item \"$2\" in Start Menu group \"$1\"; found: $(ls "$(startmenu_dir)/$1" 2>/dev/null | tr '\n' ',')"
}

# The marker program (tests/e2e/marker.exe) in the distribution as D:\marker.exe:
# "Exec=$s\marker.exe [$d]" then leaves marker.txt in the current directory
# that the program left, naming the expanded $d.
marker_program() {
    dist_copy "$E2E_BUILD/tests/e2e/marker.exe"
}

# expect_marker 'WINDIR' 'DEST': marker.txt appears in WINDIR (the current
# directory when "Exec" ran) and names DEST as the expanded $d. The program
# runs on its own after WinExec returns, so its file is awaited.
expect_marker() {
    local p i
    for i in $(seq 50); do
        p=$(hostpath "$1\\marker.txt")
        [ -f "$p" ] && [ -s "$p" ] && break
        sleep 0.2
    done
    [ -f "$p" ] || fail "no marker.txt in $1: \"Exec\" did not run there"
    local want found
    want=$(printf 'dir=%s\nargs=[%s]' "$1" "$2")
    found=$(tr -d '\r' <"$p")
    [ "$found" = "$want" ] || fail "marker.txt: expected [$want], found [$found]"
}

expect_stderr() {
    tr -d '\r' <"$SETUP_STDERR" | grep -qF -- "$1" || fail "expected standard error to contain \"$1\", found: $(tr -d '\r' <"$SETUP_STDERR")"
}

# ---- Screen -----------------------------------------------------------------------------------

screenshot() {
    import -window root -display "$DISPLAY" "$1"
}

# r g b of a pixel of an image file.
e2e_pixel() {
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- |
        sed -n '2s/^[^(]*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' |
        awk '{ printf "%d %d %d\n", $1, $2, $3 }'
}

pixel_at() {
    local f=$SCEN/.pixel.png
    screenshot "$f"
    e2e_pixel "$f" "$1" "$2"
}

# A pixel of a picture taken by a "shot NAME" line of the dialogue.
pixel_of() {
    [ -f "$SHOTS/$1.bmp" ] || fail "no screenshot $1 (a dialogue line \"shot $1\" takes it)"
    e2e_pixel "$SHOTS/$1.bmp" "$2" "$3"
}

# Path of a picture taken by a "shot NAME" line, and its copy as PNG.
shot_file() {
    printf '%s\n' "$SHOTS/$1.bmp"
}

shot_png() {
    convert "$SHOTS/$1.bmp" "$2"
}

case ${1:-} in
    --template-only) e2e_ensure_template ;;
    --sweep)
        # The runner's last resort: processes of any prefix below a work
        # directory, left by a scenario that was killed.
        mapfile -t E2E_LEFT < <(headless_prefix_pids "$2" below || true)
        if [ ${#E2E_LEFT[@]} -gt 0 ]; then
            echo "e2e: ending ${#E2E_LEFT[@]} leftover Wine processes below $2:"
            for pid in "${E2E_LEFT[@]}"; do
                echo "  $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-60)" \
                    "$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | sed -n 's|^WINEPREFIX=.*/runs/||p')"
            done
            kill -9 "${E2E_LEFT[@]}" 2>/dev/null || true
        fi ;;
    *) e2e_setup ;;
esac
