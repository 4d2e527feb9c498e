# Running Windows programs headless under Wine: sourced by the end-to-end
# harness (tests/e2e/lib.sh) and by "setupkit try" (try.sh here).
#
# A template prefix built once and copied per run, a private Xvfb display, a
# watcher that serves wauto's requests to the host (screenshots, commands such
# as a disk change), the processes of a prefix, and Windows paths on the host.
# The callers set SCEN (a folder of the run's own), SHOTS (where wauto leaves
# its requests), WINE64 and WINEPREFIX, and define fail MESSAGE.

# shellcheck source=wine32.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"
WINE64=${WINE64:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer, no desktop menu entries for Start Menu items.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# ---- Template prefix --------------------------------------------------

# Builds the template prefix once: a booted prefix in which Wine draws its own
# window frames (no 2 s wait after each closed dialog without a window
# manager), a crash ends a program instead of opening the debugger dialog, and
# menu building is off. Serialised by a lock, so parallel scenarios share it.
headless_build_template() {
    local tpl=$1
    local tmp=$tpl.new
    rm -rf "$tmp"
    mkdir -p "$(dirname "$tpl")"
    (
        export WINEPREFIX=$tmp
        unset DISPLAY
        "$WINE64" wineboot -i >"$tmp.log" 2>&1 || true
        "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$tmp.log" 2>&1
        "$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$tmp.log" 2>&1
        "$WINE64" reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d '' /f >>"$tmp.log" 2>&1
        "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >>"$tmp.log" 2>&1
        # Stopping the server saves the registry; waiting for it to end by
        # itself would take seconds more.
        wineserver -k
        wineserver -w
    )
    grep -q '"Managed"="N"' "$tmp/user.reg" || { echo "headless: the template's registry was not saved" >>"$tmp.log"; rm -f "$tmp/system.reg"; }
    # The 32-bit half of the prefix, which the release program needs.
    [ -f "$tmp/drive_c/windows/syswow64/kernel32.dll" ] || { echo "headless: the template has no syswow64 (32-bit Wine did not start)" >>"$tmp.log"; rm -f "$tmp/system.reg"; }
    if [ ! -f "$tmp/system.reg" ] || [ ! -d "$tmp/drive_c/windows/system32" ]; then
        cat "$tmp.log" >&2 || true
        return 1
    fi
    rm -f "$tmp.log"
    rm -rf "$tpl"
    mv "$tmp" "$tpl"
}

# A copy of the template. The DLLs of system32, syswow64 and winsxs (1.2 GB that
# nothing writes) are hard links to the template's files; everything else is
# copied. A scenario that overwrites a file there (rather than adding one)
# calls private_system32 first, or it would change the template; the clean-up
# reports such a write.
HEADLESS_SHARED_DIRS=(drive_c/windows/system32 drive_c/windows/syswow64 drive_c/windows/winsxs)

headless_copy_prefix() {
    local from=$1 to=$2 d
    local exclude=()
    for d in "${HEADLESS_SHARED_DIRS[@]}"; do
        exclude+=("--exclude=./$d")
    done
    mkdir -p "$to"
    tar -C "$from" "${exclude[@]}" -cf - . | tar -C "$to" -xf -
    for d in "${HEADLESS_SHARED_DIRS[@]}"; do
        # Another file system (a kept prefix elsewhere) cannot link: copy.
        cp -al "$from/$d" "$to/$d" 2>/dev/null || { rm -rf "${to:?}/$d"; cp -a "$from/$d" "$to/$d"; }
    done
    touch "$to/.e2e-copied"
}

# ---- Display -------------------------------------------------------------------------

# Starts Xvfb on a free display number: Xvfb picks it and writes it to a pipe
# when it is ready. headless_wait_xvfb reads it, so other set-up runs meanwhile.
headless_start_xvfb() {
    XVFB_FIFO=$SCEN/.displayfd
    mkfifo "$XVFB_FIFO"
    env -u WINEPREFIX Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9>"$XVFB_FIFO" >"$SCEN/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec {XVFB_FD}<"$XVFB_FIFO"
}

headless_wait_xvfb() {
    local number=""
    read -r -t 20 -u "$XVFB_FD" number || true
    exec {XVFB_FD}<&-
    rm -f "$XVFB_FIFO"
    [ -n "$number" ] || { cat "$SCEN/xvfb.log"; fail "Xvfb did not start"; }
    export DISPLAY=:$number
}

# Serves the dialogue's requests to the host while wauto runs:
# - "shot NAME": wauto leaves NAME.req; the screen goes to NAME.bmp (24-bit),
#   then the request is removed;
# - "host COMMAND...": wauto leaves hostNNN.cmd with the command; it runs here
#   (a helper such as floppy_change), its output goes to hostNNN.err when it
#   fails, then the request is removed.
headless_watcher() {
    # A pipe nobody writes to: "read -t" on it sleeps without a process.
    local tick=$SCEN/.tick.$BASHPID req out
    mkfifo "$tick"
    exec {tick_fd}<>"$tick"
    rm -f "$tick"
    trap - ERR
    set +eE
    while :; do
        for req in "$SHOTS"/*.req "$SHOTS"/*.cmd; do
            [ -e "$req" ] || continue
            case $req in
                *.req)
                    import -window root -display "$DISPLAY" "BMP3:${req%.req}.bmp" 2>>"$SCEN/import.log" ;;
                *.cmd)
                    echo "  host: $(cat "$req")" >>"$SCEN/host.log"
                    if ! out=$( (set -eE; eval "$(tr -d '\r' <"$req")") 2>&1 ); then
                        printf '%s' "${out:-status $?}" >"${req%.cmd}.err"
                    fi ;;
            esac
            rm -f "$req"
        done
        read -r -t 0.05 -u "$tick_fd" _
    done
}

# ---- Processes of a prefix --------------------------------------------------

# Pids of the processes started with WINEPREFIX=$1 (exactly), or with a
# WINEPREFIX below the directory $1/ when $2 is "below". Only numbers above 1
# that are not this shell are printed.
headless_prefix_pids() {
    local pattern files f pid
    if [ "${2:-}" = below ]; then
        pattern="^WINEPREFIX=$(printf '%s' "$1" | sed 's/[][\.*^$]/\\&/g')/"
        files=$(env -u WINEPREFIX grep -lz -- "$pattern" /proc/[0-9]*/environ 2>/dev/null || true)
    else
        files=$(env -u WINEPREFIX grep -lzxF -- "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null || true)
    fi
    for f in $files; do
        [[ $f =~ ^/proc/([0-9]+)/environ$ ]] || continue
        pid=${BASH_REMATCH[1]}
        [ "$pid" -gt 1 ] && [ "$pid" != "$$" ] && [ "$pid" != "$BASHPID" ] || continue
        printf '%s\n' "$pid"
    done
}

# Processes of this prefix still alive after its server ended (none are
# expected): ended one by one, by pid.
headless_kill_leftovers() {
    local left=()
    mapfile -t left < <(headless_prefix_pids "$WINEPREFIX" || true)
    if [ ${#left[@]} -gt 0 ]; then
        echo "headless: ending ${#left[@]} leftover Wine processes of $WINEPREFIX: ${left[*]}"
        kill -9 "${left[@]}" 2>/dev/null || true
    fi
}

# ---- Paths -----------------------------------------------------------------------------

# Host path of a Windows path: the drive through the prefix's dosdevices, then
# each existing component matched without regard to case, as Windows does.
hostpath() {
    local win=$1
    local drive=${win:0:2}
    drive=${drive,,}
    [[ $drive == [a-z]: ]] || fail "hostpath: not a drive path: $win"
    local dir
    dir=$(readlink -f "$WINEPREFIX/dosdevices/$drive") || fail "hostpath: drive $drive is not mapped"
    local rest=${win:2}
    rest=${rest//\\//}
    local part match entry base
    local IFS=/
    for part in $rest; do
        [ -n "$part" ] || continue
        if [ -e "$dir/$part" ] || [ ! -d "$dir" ]; then
            dir=$dir/$part
            continue
        fi
        match=""
        for entry in "$dir"/* "$dir"/.[!.]*; do
            [ -e "$entry" ] || continue
            base=${entry##*/}
            if [ "${base,,}" = "${part,,}" ]; then
                match=$entry
                break
            fi
        done
        dir=${match:-$dir/$part}
    done
    printf '%s\n' "$dir"
}

# Windows path (drive Z:) of a host path.
winpath() {
    local p
    p=$(readlink -m "$1")
    p=${p//\//\\}
    printf 'Z:%s\n' "$p"
}

